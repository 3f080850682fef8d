// The table definition ("TDEF") pages: columns, indexes and the pointers to
// the table's usage maps, spread over more pages when one is not enough.
#pragma once

#include <cstdint>
#include <vector>

#include "PageStore.h"
#include "TableLayout.h"

namespace jet::writer {

struct IndexFacts {
  std::uint32_t rootPage = 0;
  std::uint32_t usageMap = 0;  // packed row pointer
};

struct LongValueFacts {
  std::uint16_t column = 0;
  std::uint32_t ownedMap = 0;
  std::uint32_t freeMap = 0;
};

struct TableFacts {
  std::uint32_t rowCount = 0;
  std::uint32_t lastAutoNumber = 0;
  std::uint32_t ownedMap = 0;
  std::uint32_t freeMap = 0;
  std::vector<IndexFacts> indexes;          // one per layout index
  std::vector<LongValueFacts> longValues;   // one per long value column
};

void WriteTableDefinition(PageStore& store, std::uint32_t firstPage, const TableLayout& layout,
                          const TableFacts& facts);

}  // namespace jet::writer
