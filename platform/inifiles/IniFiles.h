#pragma once

// The INI file class of the component library, over the profile functions:
// every read and write goes to the file at once, nothing is cached here.

#include <cstdint>
#include <string>

#include "rtl/SysUtils.h"

namespace inifiles {

// A write the profile functions refused; the text is "Unable to write to <file name>".
class EIniFileException : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
};

class TIniFile {
 public:
  explicit TIniFile(std::string fileName);
  // Flushes the file (UpdateFile); its result is ignored.
  ~TIniFile();
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const std::string& FileName() const { return fileName_; }

  // The raw value, cut to 2047 bytes; def when the file, section or key is missing.
  std::string ReadString(const std::string& section, const std::string& ident, const std::string& def);
  // The raw value read as integer text; def when missing, empty or not integer text.
  std::int32_t ReadInteger(const std::string& section, const std::string& ident, std::int32_t def);
  // ReadInteger with def as 1 or 0; any non-zero value is true.
  bool ReadBool(const std::string& section, const std::string& ident, bool def);

  // Raise EIniFileException when the write is refused.
  void WriteString(const std::string& section, const std::string& ident, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& ident, std::int32_t value);
  void WriteBool(const std::string& section, const std::string& ident, bool value);  // "1" / "0"

  void UpdateFile();

 private:
  std::string fileName_;
};

}  // namespace inifiles
