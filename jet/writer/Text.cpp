#include "Text.h"

#include <stdexcept>

#include "Jet4Layout.h"

namespace jet::writer {
namespace {

[[noreturn]] void BadUtf8() { throw std::invalid_argument("text is not valid UTF-8"); }

char32_t DecodeOne(std::string_view s, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(s[i++]);
  if (lead < 0x80) return lead;
  int extra = 0;
  char32_t cp = 0;
  if ((lead & 0xe0) == 0xc0) {
    extra = 1;
    cp = lead & 0x1fu;
  } else if ((lead & 0xf0) == 0xe0) {
    extra = 2;
    cp = lead & 0x0fu;
  } else if ((lead & 0xf8) == 0xf0) {
    extra = 3;
    cp = lead & 0x07u;
  } else {
    BadUtf8();
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size()) BadUtf8();
    const auto next = static_cast<unsigned char>(s[i++]);
    if ((next & 0xc0) != 0x80) BadUtf8();
    cp = (cp << 6) | (next & 0x3fu);
  }
  static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMinimum[extra] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) BadUtf8();
  return cp;
}

bool Compressible(const std::u16string& text) {
  if (text.size() <= 2 || text.size() > layout::text::kMaxCompressedChars) return false;
  for (char16_t c : text) {
    if (c == 0 || c > 0xff) return false;
  }
  return true;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t cp = DecodeOne(utf8, i);
    if (cp < 0x10000) {
      out.push_back(static_cast<char16_t>(cp));
    } else {
      const char32_t v = cp - 0x10000;
      out.push_back(static_cast<char16_t>(0xd800 + (v >> 10)));
      out.push_back(static_cast<char16_t>(0xdc00 + (v & 0x3ff)));
    }
  }
  return out;
}

Bytes Utf16Bytes(const std::u16string& text) {
  Bytes out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) AppendLE16(out, c);
  return out;
}

Bytes EncodeStoredText(const std::u16string& text, bool mayCompress) {
  if (!mayCompress || !Compressible(text)) return Utf16Bytes(text);
  Bytes out;
  out.reserve(text.size() + 2);
  out.push_back(compressed_text::kMark0);
  out.push_back(compressed_text::kMark1);
  for (char16_t c : text) out.push_back(static_cast<std::uint8_t>(c));
  return out;
}

}  // namespace jet::writer
