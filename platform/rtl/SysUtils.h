#pragma once

// The run-time library's error types and text conversions that the program's
// units rely on. Errors are exceptions carrying a message text.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace rtl {

// Root of the program's errors; what() is the message shown to the user.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// A text that is not valid integer text.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Reads integer text: blanks (code 32 only) before an optional sign, then decimal
// digits or a hexadecimal number after "$", "x", "X", "0x" or "0X"; nothing may
// follow. Decimal must fit a signed 32-bit value; hexadecimal is a 32-bit pattern
// of at most eight significant digits, negated with wrap-around after a "-".
std::optional<std::int32_t> TryStrToInt(std::string_view text);

// As TryStrToInt, but invalid text raises EConvertError with the text
// "'<text>' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

// Shortest decimal text, "-" before negative values, no plus sign.
std::string IntToStr(std::int32_t value);

}  // namespace rtl

namespace rtl {

// Full path of the running executable, as the system reports it for the
// program's own module.
std::string ExeName();

// The directory part of a path, ending in the path separator ("" if none).
std::string ExtractFilePath(const std::string& path);

// The file name part of a path, without its directory.
std::string ExtractFileName(const std::string& path);

// The application directory: the executable's directory, ending in a separator.
// Data files are named by appending a bare file name to it, so the working
// directory plays no part.
std::string ApplicationDirectory();

}  // namespace rtl
