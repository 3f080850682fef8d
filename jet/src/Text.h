#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "jet/Format.h"

namespace jet {

// Decodes a text value or name to UTF-8. Jet 4 stores UCS-2 (a value may also
// be in Jet's compressed form, marked by FF FE); Jet 3 stores bytes in the
// database's code page, read here as Windows-1252.
std::string DecodeText(std::span<const std::uint8_t> bytes, JetVersion version);

// Jet compares object names without regard to letter case. This folds ASCII
// and the Latin-1 letters, which covers the names this program meets.
bool SameName(std::string_view a, std::string_view b);

}  // namespace jet
