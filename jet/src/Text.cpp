#include "Text.h"

#include <array>
#include <vector>

namespace jet {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
constexpr std::array<std::uint16_t, 32> kCp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string FromUtf16(const std::vector<std::uint16_t>& units) {
  std::string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    std::uint32_t cp = units[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

// Compressed form: starts compressed (one byte per character, high byte 0);
// each zero byte switches between that and plain two-byte units.
std::vector<std::uint16_t> Uncompress(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint16_t> units;
  bool compressed = true;
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (bytes[i] == 0) {
      compressed = !compressed;
      ++i;
    } else if (compressed) {
      units.push_back(bytes[i++]);
    } else if (i + 1 < bytes.size()) {
      units.push_back(static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
      i += 2;
    } else {
      break;
    }
  }
  return units;
}

// Reads one UTF-8 sequence (malformed bytes stand for themselves).
std::uint32_t NextCodePoint(std::string_view s, std::size_t& i) {
  const auto b = static_cast<unsigned char>(s[i]);
  const std::size_t extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
  if (extra == 0 || i + extra >= s.size()) {
    ++i;
    return b;
  }
  std::uint32_t cp = b & (0x3Fu >> extra);
  for (std::size_t k = 1; k <= extra; ++k) {
    cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
  }
  i += extra + 1;
  return cp;
}

std::uint32_t Fold(std::uint32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 32;
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;
  return cp;
}

}  // namespace

std::string DecodeText(std::span<const std::uint8_t> bytes, JetVersion version) {
  if (version == JetVersion::kJet3) {
    std::string out;
    for (std::uint8_t b : bytes) {
      AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80u] : b);
    }
    return out;
  }
  if (bytes.size() >= 2 && bytes[0] == compressed_text::kMark0 && bytes[1] == compressed_text::kMark1) {
    return FromUtf16(Uncompress(bytes.subspan(2)));
  }
  std::vector<std::uint16_t> units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return FromUtf16(units);
}

bool SameName(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (Fold(NextCodePoint(a, i)) != Fold(NextCodePoint(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

}  // namespace jet
