#include "rtl/SysUtils.h"

namespace rtl {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::uint32_t> ReadHex(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint32_t value = 0;
  int significant = 0;
  for (char c : digits) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    if (significant > 0 || d != 0) ++significant;
    if (significant > 8) return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(d);
  }
  return value;
}

// Magnitude of a decimal number, capped just above what a negative int32 holds
// so that long runs of digits cannot overflow.
std::optional<std::uint64_t> ReadDecimal(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  constexpr std::uint64_t kCap = 2147483649ULL;
  std::uint64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > kCap) value = kCap;
  }
  return value;
}

std::size_t HexPrefixLength(std::string_view rest) {
  if (rest.starts_with('$') || rest.starts_with('x') || rest.starts_with('X')) return 1;
  if (rest.starts_with("0x") || rest.starts_with("0X")) return 2;
  return 0;
}

}  // namespace

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
  std::size_t pos = text.find_first_not_of(' ');
  if (pos == std::string_view::npos) return std::nullopt;
  std::string_view rest = text.substr(pos);
  bool negative = false;
  if (rest.front() == '+' || rest.front() == '-') {
    negative = rest.front() == '-';
    rest.remove_prefix(1);
  }
  if (const std::size_t prefix = HexPrefixLength(rest); prefix > 0) {
    const auto pattern = ReadHex(rest.substr(prefix));
    if (!pattern) return std::nullopt;
    const std::uint32_t bits = negative ? 0U - *pattern : *pattern;
    return static_cast<std::int32_t>(bits);
  }
  const auto magnitude = ReadDecimal(rest);
  if (!magnitude) return std::nullopt;
  const std::uint64_t limit = negative ? 2147483648ULL : 2147483647ULL;
  if (*magnitude > limit) return std::nullopt;
  const std::int64_t value = negative ? -static_cast<std::int64_t>(*magnitude)
                                      : static_cast<std::int64_t>(*magnitude);
  return static_cast<std::int32_t>(value);
}

std::int32_t StrToInt(std::string_view text) {
  if (const auto value = TryStrToInt(text)) return *value;
  throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

std::string IntToStr(std::int32_t value) { return std::to_string(value); }

}  // namespace rtl
