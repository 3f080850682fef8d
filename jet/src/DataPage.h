#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>

#include "Pager.h"
#include "TableDef.h"

namespace jet {

// One slot of a data page's row offset table.
struct RowSlot {
  std::uint16_t raw = 0;  // offset and flags as stored
  std::uint32_t start = 0;
  std::uint32_t end = 0;  // one past the row's last byte
  bool deleted() const { return (raw & row_flag::kDeleted) != 0; }
  bool overflow() const { return (raw & row_flag::kOverflow) != 0; }
};

class DataPage {
 public:
  DataPage(const Page& page, const Format& format);

  std::uint32_t owner() const { return owner_; }
  std::uint16_t row_count() const { return row_count_; }
  std::uint32_t slot_offset(std::uint32_t row) const { return format_.data_row_table + 2 * row; }
  // The stored slot of a row below row_count(), read straight from the row
  // table, which the constructor checked to lie inside the page: clearing
  // reads every slot of every page, so this is the engine's innermost loop.
  std::uint16_t raw_slot(std::uint32_t row) const {
    if (row >= row_count_) throw std::logic_error("row slot past the end of the row table");
    return static_cast<std::uint16_t>(table_[2 * row] | (table_[2 * row + 1] << 8));
  }
  // The slot with its row's bounds, checked to lie inside the page.
  RowSlot Slot(std::uint32_t row) const;

 private:
  const Page& page_;
  const Format& format_;
  std::uint32_t owner_;
  std::uint16_t row_count_;
  std::span<const std::uint8_t> table_;
};

// Visits each data page of the table, found through its usage map. Pages the
// map marks that are not this table's data pages are passed over.
void ForEachDataPage(const Pager& pager, const TableDef& table,
                     const std::function<void(const Page&, const DataPage&)>& visit);

}  // namespace jet
