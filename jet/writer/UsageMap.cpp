#include "UsageMap.h"

#include <array>
#include <stdexcept>

#include "Jet4Layout.h"

namespace jet::writer {

namespace um = layout::usagemap;

namespace {

using PageBuffer = std::array<std::uint8_t, layout::kPageSize>;

void SetBit(std::uint8_t* bitmap, std::uint32_t bit) {
  bitmap[bit / 8] = static_cast<std::uint8_t>(bitmap[bit / 8] | (1u << (bit % 8)));
}

void StartBitmapPage(PageBuffer& page) {
  page.fill(0);
  page[0] = page_type::kUsageMap;
  page[1] = 0x01;
}

Bytes InlineRow(const std::vector<std::uint32_t>& pages) {
  Bytes row(um::kRowSize, 0);
  row[0] = usage_map::kInline;
  if (pages.empty()) return row;
  const std::uint32_t start = pages.front();
  PutLE32(row.data() + usage_map::kInlineStartPage, start);
  for (std::uint32_t p : pages) SetBit(row.data() + usage_map::kInlineBitmap, p - start);
  return row;
}

// Inline rows and the global map use 1 for "owned" and "free" respectively;
// this helper only sets bits, the meaning is the caller's.
Bytes ReferenceRow(PageStore& store, const std::vector<std::uint32_t>& pages) {
  Bytes row(um::kRowSize, 0);
  row[0] = usage_map::kIndirect;
  PageBuffer bitmap{};
  std::size_t i = 0;
  while (i < pages.size()) {
    const std::uint32_t slot = pages[i] / static_cast<std::uint32_t>(um::kPagesPerBitmapPage);
    if (slot >= um::kReferenceSlots) throw std::runtime_error("database too large for its usage maps");
    StartBitmapPage(bitmap);
    const std::uint32_t base = slot * static_cast<std::uint32_t>(um::kPagesPerBitmapPage);
    for (; i < pages.size() && pages[i] / um::kPagesPerBitmapPage == slot; ++i) {
      SetBit(bitmap.data() + usage_map::kBitmapPageData, pages[i] - base);
    }
    const std::uint32_t page = store.allocate();
    store.write(page, bitmap.data());
    PutLE32(row.data() + usage_map::kIndirectPages + 4 * slot, page);
  }
  return row;
}

void PlaceRow(PageBuffer& page, std::size_t index, std::size_t& dataStart, const Bytes& row) {
  dataStart -= row.size();
  std::copy(row.begin(), row.end(), page.begin() + static_cast<std::ptrdiff_t>(dataStart));
  PutLE16(page.data() + kFormat.data_row_table + index * layout::data::kRowPointerSize,
          static_cast<std::uint32_t>(dataStart));
}

}  // namespace

Bytes BuildUsageMapRow(PageStore& store, const std::vector<std::uint32_t>& pages) {
  if (pages.empty() || pages.back() - pages.front() < um::kInlineBitmapSize * 8) return InlineRow(pages);
  return ReferenceRow(store, pages);
}

void WriteGlobalUsageMap(PageStore& store) {
  // Room for the map on page 1 beside the header, the row table and the
  // second (empty) map row Jet keeps there.
  constexpr std::size_t kMaxInlineBytes = 3900;
  Bytes row;
  const std::uint32_t used = store.pageCount();
  std::size_t bytes = (used + 7) / 8;
  bytes = std::max<std::size_t>(um::kInlineBitmapSize, (bytes + 7) / 8 * 8);
  if (bytes <= kMaxInlineBytes) {
    row.assign(usage_map::kInlineBitmap + bytes, 0);
    row[0] = usage_map::kInline;
    for (std::uint32_t p = used; p < bytes * 8; ++p) SetBit(row.data() + usage_map::kInlineBitmap, p);
  } else {
    // One bitmap page per slot in use; they are pages in use themselves.
    std::uint32_t slots = 0;
    while (static_cast<std::uint64_t>(slots) * um::kPagesPerBitmapPage < store.pageCount() + 0ull) {
      store.allocate();
      ++slots;
    }
    const std::uint32_t total = store.pageCount();
    if (slots > um::kReferenceSlots) throw std::runtime_error("database too large for its usage maps");
    row.assign(um::kRowSize, 0);
    row[0] = usage_map::kIndirect;
    PageBuffer bitmap{};
    for (std::uint32_t s = 0; s < slots; ++s) {
      StartBitmapPage(bitmap);
      const std::uint32_t base = s * static_cast<std::uint32_t>(um::kPagesPerBitmapPage);
      for (std::uint32_t bit = 0; bit < um::kPagesPerBitmapPage; ++bit) {
        if (base + bit >= total) SetBit(bitmap.data() + usage_map::kBitmapPageData, bit);
      }
      const std::uint32_t page = total - slots + s;
      store.write(page, bitmap.data());
      PutLE32(row.data() + usage_map::kIndirectPages + 4 * s, page);
    }
  }
  PageBuffer page{};
  page[0] = page_type::kData;
  page[1] = 0x01;
  PutLE32(page.data() + kFormat.data_owner, um::kGlobalMapOwner);
  std::size_t dataStart = layout::kPageSize;
  PlaceRow(page, 0, dataStart, row);
  PlaceRow(page, 1, dataStart, Bytes(um::kRowSize, 0));
  PutLE16(page.data() + kFormat.data_row_count, 2);
  PutLE16(page.data() + kFormat.data_free_space,
          static_cast<std::uint32_t>(dataStart - kFormat.data_row_table - 2 * layout::data::kRowPointerSize));
  store.write(fixed_page::kGlobalUsageMap, page.data());
}

}  // namespace jet::writer
