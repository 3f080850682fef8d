#include "TableDefinition.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "Text.h"

namespace jet::writer {

namespace td = layout::tdef;

namespace {

void AppendName(Bytes& out, const std::string& name) {
  const Bytes encoded = Utf16Bytes(Utf8ToUtf16(name));
  AppendLE16(out, static_cast<std::uint32_t>(encoded.size()));
  out.insert(out.end(), encoded.begin(), encoded.end());
}

void AppendColumn(Bytes& out, const TableLayout& layout, const ColumnLayout& c) {
  std::array<std::uint8_t, kFormat.column_size> e{};
  namespace col = td::column;
  e[kFormat.column_type] = static_cast<std::uint8_t>(c.code);
  PutLE32(e.data() + col::kMagic, td::kMagic);
  PutLE16(e.data() + kFormat.column_number, c.number);
  PutLE16(e.data() + kFormat.column_var_index, c.varIndex);
  PutLE16(e.data() + col::kNumberAgain, layout.system ? 0 : c.number);
  // Access names the sort order on every column, not only on text.
  PutLE16(e.data() + col::kSortOrder, layout::header::kSortOrderGeneral);
  e[kFormat.column_flags] = c.flags;
  e[col::kExtFlags] = c.extFlags;
  PutLE16(e.data() + kFormat.column_fixed_offset, c.fixedOffset);
  PutLE16(e.data() + kFormat.column_length, c.isLongValue() ? 0 : c.length);
  out.insert(out.end(), e.begin(), e.end());
}

void AppendRealIndex(Bytes& out, const IndexLayout& index, const IndexFacts& facts) {
  AppendLE32(out, td::kIndexMagic);
  for (std::size_t i = 0; i < td::kMaxIndexColumns; ++i) {
    if (i < index.columns.size()) {
      AppendLE16(out, index.columns[i]);
      out.push_back(td::kIndexColumnAscending);
    } else {
      AppendLE16(out, 0xffff);
      out.push_back(0);
    }
  }
  AppendLE32(out, facts.usageMap);
  AppendLE32(out, facts.rootPage);
  AppendLE32(out, 0);
  out.push_back(index.flags);
  out.insert(out.end(), 5, 0);
}

void AppendLogicalIndex(Bytes& out, std::uint32_t number, const IndexLayout& index) {
  AppendLE32(out, td::kMagic);
  AppendLE32(out, number);
  AppendLE32(out, number);  // the real index behind it
  out.push_back(0);         // no related table
  AppendLE32(out, 0xffffffffu);
  AppendLE32(out, 0);
  out.push_back(td::kNoCascade);
  out.push_back(td::kNoCascade);
  out.push_back(index.logicalType);
  out.insert(out.end(), 4, 0);
}

Bytes Serialize(const TableLayout& layout, const TableFacts& facts) {
  Bytes out(kFormat.tdef_block_end, 0);
  out[0] = page_type::kTableDef;
  out[1] = 0x01;
  PutLE32(out.data() + td::kMagicOffset, td::kMagic);
  PutLE32(out.data() + kFormat.tdef_row_count, facts.rowCount);
  PutLE32(out.data() + kFormat.tdef_autonumber, facts.lastAutoNumber);
  out[td::kAutoNumberFlagOffset] = 0x01;
  out[kFormat.tdef_table_type] = layout.system ? table_type::kSystem : table_type::kUser;
  const auto columns = static_cast<std::uint32_t>(layout.columns.size());
  const auto indexes = static_cast<std::uint32_t>(layout.indexes.size());
  PutLE16(out.data() + kFormat.tdef_max_columns, columns);
  PutLE16(out.data() + kFormat.tdef_var_column_count, layout.varCount);
  PutLE16(out.data() + kFormat.tdef_column_count, columns);
  PutLE32(out.data() + kFormat.tdef_index_count, indexes);
  PutLE32(out.data() + kFormat.tdef_real_index_count, indexes);
  PutLE32(out.data() + kFormat.tdef_owned_pages, facts.ownedMap);
  PutLE32(out.data() + kFormat.tdef_free_pages, facts.freeMap);

  for (std::uint32_t i = 0; i < indexes; ++i) {
    AppendLE32(out, 0);
    AppendLE32(out, facts.rowCount);
    AppendLE32(out, 0);
  }
  for (const auto& c : layout.columns) AppendColumn(out, layout, c);
  for (const auto& c : layout.columns) AppendName(out, c.name);
  for (std::uint32_t i = 0; i < indexes; ++i) AppendRealIndex(out, layout.indexes[i], facts.indexes[i]);
  for (std::uint32_t i = 0; i < indexes; ++i) AppendLogicalIndex(out, i, layout.indexes[i]);
  for (const auto& index : layout.indexes) AppendName(out, index.name);
  for (const auto& lv : facts.longValues) {
    AppendLE16(out, lv.column);
    AppendLE32(out, lv.ownedMap);
    AppendLE32(out, lv.freeMap);
  }
  AppendLE16(out, td::kEndMarker);
  // The length counts the first page's header too.
  PutLE32(out.data() + kFormat.tdef_length, static_cast<std::uint32_t>(out.size()));
  return out;
}

}  // namespace

void WriteTableDefinition(PageStore& store, std::uint32_t firstPage, const TableLayout& layout,
                          const TableFacts& facts) {
  if (facts.indexes.size() != layout.indexes.size()) throw std::logic_error("index facts missing");
  const Bytes def = Serialize(layout, facts);
  std::array<std::uint8_t, layout::kPageSize> page{};
  std::size_t at = 0;
  std::uint32_t current = firstPage;
  while (true) {
    page.fill(0);
    std::size_t room = layout::kPageSize;
    std::size_t put = 0;
    if (at == 0) {
      put = std::min(def.size(), room);
      std::copy_n(def.begin(), put, page.begin());
    } else {
      page[0] = page_type::kTableDef;
      page[1] = 0x01;
      room -= table_def::kContinuationHeader;
      put = std::min(def.size() - at, room);
      std::copy_n(def.begin() + static_cast<std::ptrdiff_t>(at), put,
                  page.begin() + table_def::kContinuationHeader);
    }
    const std::size_t used = layout::kPageSize - room + put;
    PutLE16(page.data() + td::kFreeSpaceOffset,
            static_cast<std::uint32_t>(layout::kPageSize - used >= 8 ? layout::kPageSize - used - 8 : 0));
    at += put;
    const std::uint32_t next = at < def.size() ? store.allocate() : 0;
    PutLE32(page.data() + kFormat.tdef_next_page, next);
    store.write(current, page.data());
    if (next == 0) break;
    current = next;
  }
}

}  // namespace jet::writer
