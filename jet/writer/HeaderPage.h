// Page 0: the database definition page, with its masked region.
#pragma once

#include <array>
#include <cstdint>

#include "PageStore.h"

namespace jet::writer {

// The XOR mask over the header's masked region (an RC4 key stream).
std::array<std::uint8_t, 128> HeaderMask();

void WriteHeaderPage(PageStore& store, double creationDays);

}  // namespace jet::writer
