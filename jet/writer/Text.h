// Text as Jet 4 stores it: UTF-16LE, or the "compressed" form for text whose
// characters all fit in one byte.
#pragma once

#include <string>
#include <string_view>

#include "Bytes.h"

namespace jet::writer {

// Throws std::invalid_argument on malformed UTF-8.
std::u16string Utf8ToUtf16(std::string_view utf8);

// Plain UTF-16LE bytes, as used for names in table definitions.
Bytes Utf16Bytes(const std::u16string& text);

// The stored form of a text or memo value: compressed where the column allows
// it and that is shorter, plain UTF-16LE otherwise.
Bytes EncodeStoredText(const std::u16string& text, bool mayCompress);

}  // namespace jet::writer
