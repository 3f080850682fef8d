// Usage maps: bitmaps of pages. A table's maps (pages it owns, pages with free
// room, pages of each index and memo column) are rows on a data page; small
// ranges fit inline in the row, larger ones go through bitmap pages that the
// row points to. The global map on page 1 marks the pages not in use.
#pragma once

#include <cstdint>
#include <vector>

#include "Bytes.h"
#include "PageStore.h"

namespace jet::writer {

// The map row for the given pages (ascending, no repeats). Writes any bitmap
// pages the row refers to.
Bytes BuildUsageMapRow(PageStore& store, const std::vector<std::uint32_t>& pages);

// Writes page 1 once every other page has been allocated: all pages up to the
// end of the file are in use. May allocate bitmap pages of its own.
void WriteGlobalUsageMap(PageStore& store);

}  // namespace jet::writer
