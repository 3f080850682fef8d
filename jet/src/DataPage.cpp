#include "DataPage.h"

#include <string>

#include "UsageMap.h"

namespace jet {

DataPage::DataPage(const Page& page, const Format& format)
    : page_(page),
      format_(format),
      owner_(page.U32(format.data_owner)),
      row_count_(page.U16(format.data_row_count)),
      table_(page.view().Slice(format.data_row_table, 2u * row_count_)) {}

RowSlot DataPage::Slot(std::uint32_t row) const {
  if (row >= row_count_) {
    throw Damaged("page " + std::to_string(page_.number()) + ": row " + std::to_string(row) +
                  " of " + std::to_string(row_count_) + " does not exist");
  }
  RowSlot slot;
  slot.raw = raw_slot(row);
  slot.start = slot.raw & row_flag::kOffsetMask;
  slot.end = row == 0 ? format_.page_size : (raw_slot(row - 1) & row_flag::kOffsetMask);
  const std::uint32_t table_end = slot_offset(row_count_);
  if (slot.start < table_end || slot.start > slot.end || slot.end > format_.page_size) {
    throw Damaged("page " + std::to_string(page_.number()) + ": row " + std::to_string(row) +
                  " spans bytes " + std::to_string(slot.start) + " to " + std::to_string(slot.end) +
                  ", outside the page's row area");
  }
  return slot;
}

void ForEachDataPage(const Pager& pager, const TableDef& table,
                     const std::function<void(const Page&, const DataPage&)>& visit) {
  ForEachMappedPage(pager, table.owned_pages_map(), [&](std::uint32_t number) {
    Page page = pager.Read(number);
    if (page.type() != page_type::kData) return;
    DataPage data(page, pager.format());
    if (data.owner() != table.page()) return;
    visit(page, data);
  });
}

}  // namespace jet
