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
  // The wide call and UTF-8, as paths are everywhere in the program: the
  // ANSI one garbles a folder name outside the code page, and MAX_PATH is no
  // limit on a long path.
  std::wstring wide(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
    if (length == 0) return {};
    if (length < wide.size()) {
      wide.resize(length);
      break;
    }
    wide.resize(wide.size() * 2);
  }
  const int wideLength = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), size, nullptr, nullptr);
  return utf8;
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
