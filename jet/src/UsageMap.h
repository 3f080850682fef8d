#pragma once

#include <cstdint>
#include <functional>

#include "Pager.h"

namespace jet {

// Calls `visit` with each page number marked in the usage map stored in the
// row `map_pointer` points at, in ascending order. Every page number is
// checked to lie inside the file before it is passed on.
void ForEachMappedPage(const Pager& pager, std::uint32_t map_pointer,
                       const std::function<void(std::uint32_t)>& visit);

// The bytes of the row `pointer` names (page and row), read from a data page.
std::vector<std::uint8_t> ReadRowAt(const Pager& pager, std::uint32_t pointer, const std::string& from);

}  // namespace jet
