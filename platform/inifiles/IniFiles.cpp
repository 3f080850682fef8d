#include "inifiles/IniFiles.h"

#include <array>
#include <utility>

#include "winapi/ProfileApi.h"

namespace inifiles {

namespace {
constexpr std::uint32_t kValueBufferSize = 2048;
}  // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

TIniFile::~TIniFile() { UpdateFile(); }

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& def) {
  std::array<char, kValueBufferSize> buffer{};
  const std::uint32_t count = winapi::GetPrivateProfileStringA(
      section.c_str(), ident.c_str(), def.c_str(), buffer.data(), kValueBufferSize, fileName_.c_str());
  return std::string(buffer.data(), count);
}

std::int32_t TIniFile::ReadInteger(const std::string& section, const std::string& ident,
                                   std::int32_t def) {
  return rtl::TryStrToInt(ReadString(section, ident, "")).value_or(def);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& ident, bool def) {
  return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) {
  if (!winapi::WritePrivateProfileStringA(section.c_str(), ident.c_str(), value.c_str(),
                                          fileName_.c_str())) {
    throw EIniFileException("Unable to write to " + fileName_);
  }
}

void TIniFile::WriteInteger(const std::string& section, const std::string& ident, std::int32_t value) {
  WriteString(section, ident, rtl::IntToStr(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

void TIniFile::UpdateFile() {
  winapi::WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName_.c_str());
}

}  // namespace inifiles
