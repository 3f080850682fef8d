// Packs rows into data pages (table rows, long values, usage maps): rows grow
// from the end of the page towards the row table behind the header. Only the
// page being filled is held in memory.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "Bytes.h"
#include "Jet4Layout.h"
#include "PageStore.h"

namespace jet::writer {

struct RowId {
  std::uint32_t page = 0;
  std::uint8_t row = 0;
  // The form rows and long values use to point at a row.
  std::uint32_t packed() const { return (page << 8) | row; }
};

class RowPageWriter {
 public:
  RowPageWriter(PageStore& store, std::array<std::uint8_t, 4> owner);
  RowPageWriter(const RowPageWriter&) = delete;
  RowPageWriter& operator=(const RowPageWriter&) = delete;

  static bool Fits(std::size_t rowSize) {
    return rowSize + layout::data::kRowPointerSize <= layout::data::kInitialFreeSpace;
  }

  // The row must satisfy Fits().
  RowId add(const std::uint8_t* row, std::size_t size);
  RowId add(const Bytes& row) { return add(row.data(), row.size()); }
  // Writes the page being filled, if any.
  void flush();

  const std::vector<std::uint32_t>& pages() const { return pages_; }
  // The page still open for more rows, or 0 when there is none.
  std::uint32_t openPage() const { return open_ ? page_ : 0; }
  // Pages with room for more rows once flushed.
  std::vector<std::uint32_t> pagesWithFreeSpace() const;

 private:
  void startPage();
  std::size_t freeSpace() const;

  PageStore& store_;
  std::array<std::uint8_t, 4> owner_;
  std::array<std::uint8_t, layout::kPageSize> buffer_{};
  std::uint32_t page_ = 0;
  bool open_ = false;
  std::uint16_t rows_ = 0;
  std::size_t dataStart_ = layout::kPageSize;
  std::vector<std::uint32_t> pages_;
  std::uint32_t lastPage_ = 0;
  std::size_t lastFree_ = 0;
};

std::array<std::uint8_t, 4> OwnerTable(std::uint32_t tdefPage);

}  // namespace jet::writer
