// Stores memo values: short ones inside the row, longer ones on LVAL pages,
// one row there when it fits and a chain of rows across pages otherwise.
#pragma once

#include <cstdint>

#include "Bytes.h"
#include "RowPages.h"

namespace jet::writer {

class LongValueWriter {
 public:
  explicit LongValueWriter(PageStore& store);

  // Returns what goes into the row: the 12-byte long value field, followed by
  // the data itself for a value kept inline.
  Bytes store(const Bytes& data);
  void flush() { pages_.flush(); }

  const std::vector<std::uint32_t>& pages() const { return pages_.pages(); }
  std::vector<std::uint32_t> pagesWithFreeSpace() const { return pages_.pagesWithFreeSpace(); }

 private:
  RowPageWriter pages_;
};

}  // namespace jet::writer
