#include "ClearTable.h"

#include <algorithm>
#include <set>

#include "DataPage.h"

namespace jet {

namespace {

// Jet marks the rows it deletes with both flags. The slot a moved row's data
// went to carries the deleted flag alone (only its pointer reaches it), but
// other readers take the overflow flag as the sign of a dead slot and list
// such slots as rows, so a cleared page gets both flags on every slot.
constexpr std::uint16_t kDeletedMark = row_flag::kDeleted | row_flag::kOverflow;

bool Marked(std::uint16_t raw) { return (raw & kDeletedMark) == kDeletedMark; }

void CheckIndexRoot(const Pager& pager, const TableDef& table, std::uint32_t root) {
  pager.CheckPageNumber(root, "an index of the table at page " + std::to_string(table.page()));
  const Page page = pager.Read(root);
  if (page.type() != page_type::kIndexNode && page.type() != page_type::kIndexLeaf) {
    throw Damaged("index root page " + std::to_string(root) + " is of type " +
                  std::to_string(page.type()) + ", not an index page");
  }
  if (page.U32(pager.format().index_owner) != table.page()) {
    throw Damaged("index root page " + std::to_string(root) + " belongs to another table");
  }
}

bool HasLiveRow(const Pager& pager, const TableDef& table) {
  bool found = false;
  ForEachDataPage(pager, table, [&](const Page&, const DataPage& data) {
    for (std::uint32_t r = 0; r < data.row_count() && !found; ++r) {
      found = (data.raw_slot(r) & row_flag::kDeleted) == 0;
    }
  });
  return found;
}

// Deleting the rows another table's rows point at would break an enforced
// relationship. Cascading deletes would need index maintenance of single rows
// in the other table, which this engine does not do, so such a clear is
// refused while the other table has rows.
void CheckReferences(const Pager& pager, const Catalog& catalog, const TableDef& table,
                     const std::string& table_name) {
  std::set<std::uint32_t> checked;
  for (const LogicalIndex& index : table.logical_indexes()) {
    if (!index.referenced() || index.rel_table == table.page()) continue;
    if (!checked.insert(index.rel_table).second) continue;
    const TableDef other = TableDef::Load(pager, index.rel_table);
    if (!HasLiveRow(pager, other)) continue;
    const CatalogEntry* entry = catalog.FindTableByPage(index.rel_table);
    const std::string other_name = entry ? entry->name : "page " + std::to_string(index.rel_table);
    throw Error(Error::Code::kRelationship,
                "cannot delete the rows of '" + table_name + "': rows of table '" + other_name +
                    "' refer to them through an enforced relationship");
  }
}

// Counts the page's live rows, checking that each lies inside the page, and
// marks every slot not marked yet: one read of the page serves both.
std::int64_t ClearDataPage(const Page& page, const DataPage& data, PageSink& sink) {
  std::int64_t live = 0;
  std::uint32_t first = data.row_count();
  std::uint32_t last = 0;
  for (std::uint32_t r = 0; r < data.row_count(); ++r) {
    const std::uint16_t raw = data.raw_slot(r);
    if (!Marked(raw)) {
      first = std::min(first, r);
      last = r;
    }
    if ((raw & row_flag::kDeleted) != 0) continue;
    const RowSlot slot = data.Slot(r);
    if (slot.overflow() && slot.end - slot.start < 4) {
      throw Damaged("page " + std::to_string(page.number()) + ": moved row " + std::to_string(r) +
                    " is too short to hold its pointer");
    }
    ++live;
  }
  if (first == data.row_count()) return live;
  std::vector<std::uint8_t> table(2u * (last - first + 1));
  for (std::uint32_t r = first; r <= last; ++r) {
    const auto raw = static_cast<std::uint16_t>(data.raw_slot(r) | kDeletedMark);
    PutU16(&table[2u * (r - first)], raw);
  }
  sink.Write(page.number(), data.slot_offset(first), table);
  return live;
}

void EmptyIndexRoot(const Pager& pager, std::uint32_t root, PageSink& sink) {
  const Format& f = pager.format();
  const Page page = pager.Read(root);
  // Header and entry mask only; the old entries beyond stay as unused bytes.
  std::vector<std::uint8_t> head(page.bytes().begin(), page.bytes().begin() + f.index_first_entry);
  head[0] = page_type::kIndexLeaf;
  PutU16(&head[f.index_free_space], static_cast<std::uint16_t>(f.page_size - f.index_first_entry));
  PutU32(&head[f.index_prev_page], 0);
  PutU32(&head[f.index_next_page], 0);
  PutU32(&head[f.index_tail_page], 0);
  PutU16(&head[f.index_prefix_length], 0);
  std::fill(head.begin() + f.index_entry_mask, head.end(), std::uint8_t{0});
  sink.Write(root, 0, head);
}

}  // namespace

std::int64_t ClearTable(const Pager& pager, const Catalog& catalog, const TableDef& table,
                        const std::string& table_name, PageSink& sink) {
  CheckReferences(pager, catalog, table, table_name);
  std::vector<std::uint32_t> roots;
  for (const RealIndex& index : table.real_indexes()) {
    CheckIndexRoot(pager, table, index.root_page);
    if (std::find(roots.begin(), roots.end(), index.root_page) == roots.end()) roots.push_back(index.root_page);
  }
  std::vector<TableDef::Location> counters{table.Locate(table.row_count_offset(), 4)};
  for (const RealIndex& index : table.real_indexes()) {
    counters.push_back(table.Locate(index.entry_count_offset, 4));
  }

  std::int64_t rows = 0;
  ForEachDataPage(pager, table,
                  [&](const Page& page, const DataPage& data) { rows += ClearDataPage(page, data, sink); });
  if (rows == 0 && table.row_count() == 0) return 0;

  for (std::uint32_t root : roots) EmptyIndexRoot(pager, root, sink);
  const std::uint8_t zero[4] = {0, 0, 0, 0};
  for (const TableDef::Location& at : counters) sink.Write(at.page, at.offset, zero);
  return rows;
}

}  // namespace jet
