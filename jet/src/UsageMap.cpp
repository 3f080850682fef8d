#include "UsageMap.h"

#include <string>

#include "DataPage.h"

namespace jet {

namespace {

void VisitBits(const Pager& pager, std::span<const std::uint8_t> bits, std::uint64_t first_page,
               const std::function<void(std::uint32_t)>& visit) {
  for (std::size_t byte = 0; byte < bits.size(); ++byte) {
    if (bits[byte] == 0) continue;
    for (unsigned bit = 0; bit < 8; ++bit) {
      if (((static_cast<unsigned>(bits[byte]) >> bit) & 1u) == 0) continue;
      const std::uint64_t page = first_page + byte * 8 + bit;
      if (page == 0 || page >= pager.page_count()) {
        throw Damaged("a usage map marks page " + std::to_string(page) + ", but the file has " +
                      std::to_string(pager.page_count()) + " pages");
      }
      visit(static_cast<std::uint32_t>(page));
    }
  }
}

}  // namespace

std::vector<std::uint8_t> ReadRowAt(const Pager& pager, std::uint32_t pointer, const std::string& from) {
  const RowPointer at = RowPointer::FromRaw(pointer);
  pager.CheckPageNumber(at.page, from);
  Page page = pager.ReadTyped(at.page, page_type::kData, from.c_str());
  DataPage data(page, pager.format());
  const RowSlot slot = data.Slot(at.row);
  auto bytes = page.view().Slice(slot.start, slot.end - slot.start);
  return {bytes.begin(), bytes.end()};
}

void ForEachMappedPage(const Pager& pager, std::uint32_t map_pointer,
                       const std::function<void(std::uint32_t)>& visit) {
  const std::vector<std::uint8_t> row = ReadRowAt(pager, map_pointer, "a usage map");
  const Bytes map(row, "usage map on page", RowPointer::FromRaw(map_pointer).page);
  const std::uint8_t kind = map.U8(0);
  if (kind == usage_map::kInline) {
    const std::uint32_t start = map.U32(usage_map::kInlineStartPage);
    VisitBits(pager, map.Slice(usage_map::kInlineBitmap, map.size() - usage_map::kInlineBitmap), start,
              visit);
    return;
  }
  if (kind != usage_map::kIndirect) {
    throw Damaged(map.what() + ": unknown usage map kind " + std::to_string(kind));
  }
  // Each bitmap page covers a fixed stretch of the file, in order.
  const std::uint32_t page_size = pager.format().page_size;
  const std::uint64_t per_page = (page_size - usage_map::kBitmapPageData) * 8ull;
  for (std::size_t i = 0; usage_map::kIndirectPages + 4 * (i + 1) <= map.size(); ++i) {
    const std::uint32_t bitmap_page = map.U32(usage_map::kIndirectPages + 4 * i);
    if (bitmap_page == 0) continue;
    pager.CheckPageNumber(bitmap_page, map.what());
    Page bitmap = pager.ReadTyped(bitmap_page, page_type::kUsageMap, "a usage bitmap");
    VisitBits(pager, bitmap.view().Slice(usage_map::kBitmapPageData, page_size - usage_map::kBitmapPageData),
              i * per_page, visit);
  }
}

}  // namespace jet
