#include <string>

#include "rtl/SysUtils.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace rtl {

std::string ExeName() {
#if defined(_WIN32)
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  return std::string(buffer, length);
#else
  std::string buffer(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0) return {};
  buffer.resize(static_cast<std::size_t>(length));
  return buffer;
#endif
}

namespace {
std::size_t LastSeparator(const std::string& path) {
#if defined(_WIN32)
  return path.find_last_of("\\/:");
#else
  return path.find_last_of('/');
#endif
}
}  // namespace

std::string ExtractFilePath(const std::string& path) {
  const std::size_t pos = LastSeparator(path);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& path) {
  const std::size_t pos = LastSeparator(path);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ApplicationDirectory() { return ExtractFilePath(ExeName()); }

}  // namespace rtl
