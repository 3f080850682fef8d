#include "ClearPlan.h"

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

}  // namespace

ClearPlan PlanClearTable(const Pager& pager, const Catalog& catalog, const TableDef& table,
                         const std::string& table_name) {
  CheckReferences(pager, catalog, table, table_name);

  ClearPlan plan;
  plan.table_page = table.page();
  ForEachDataPage(pager, table, [&](const Page& page, const DataPage& data) {
    std::int64_t live = 0;
    bool change = false;
    for (std::uint32_t r = 0; r < data.row_count(); ++r) {
      change = change || !Marked(data.raw_slot(r));
      if ((data.raw_slot(r) & row_flag::kDeleted) != 0) continue;
      const RowSlot slot = data.Slot(r);
      if (slot.overflow() && slot.end - slot.start < 4) {
        throw Damaged("page " + std::to_string(page.number()) + ": moved row " + std::to_string(r) +
                      " is too short to hold its pointer");
      }
      ++live;
    }
    plan.rows += live;
    if (change) plan.data_pages.push_back(page.number());
  });

  for (const RealIndex& index : table.real_indexes()) {
    CheckIndexRoot(pager, table, index.root_page);
    if (std::find(plan.index_roots.begin(), plan.index_roots.end(), index.root_page) ==
        plan.index_roots.end()) {
      plan.index_roots.push_back(index.root_page);
    }
  }

  // A table without rows keeps its indexes and counts as they are (only
  // slots left half-marked by an earlier delete are completed).
  if (plan.rows == 0 && table.row_count() == 0) {
    plan.index_roots.clear();
    return plan;
  }
  plan.counters.push_back(table.Locate(table.row_count_offset(), 4));
  for (const RealIndex& index : table.real_indexes()) {
    plan.counters.push_back(table.Locate(index.entry_count_offset, 4));
  }
  return plan;
}

namespace {

void ClearDataPage(const Pager& pager, const ClearPlan& plan, std::uint32_t number, PageSink& sink) {
  const Page page = pager.Read(number);
  if (page.type() != page_type::kData || DataPage(page, pager.format()).owner() != plan.table_page) {
    throw Error(Error::Code::kDamaged, "page " + std::to_string(number) + " changed while the table was cleared");
  }
  const DataPage data(page, pager.format());
  std::uint32_t first = data.row_count();
  std::uint32_t last = 0;
  for (std::uint32_t r = 0; r < data.row_count(); ++r) {
    if (Marked(data.raw_slot(r))) continue;
    first = std::min(first, r);
    last = r;
  }
  if (first == data.row_count()) return;
  std::vector<std::uint8_t> table(2u * (last - first + 1));
  for (std::uint32_t r = first; r <= last; ++r) {
    const auto raw = static_cast<std::uint16_t>(data.raw_slot(r) | kDeletedMark);
    PutU16(&table[2u * (r - first)], raw);
  }
  sink.Write(number, data.slot_offset(first), table);
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

void ApplyClearTable(const Pager& pager, const ClearPlan& plan, PageSink& sink) {
  for (std::uint32_t number : plan.data_pages) ClearDataPage(pager, plan, number, sink);
  for (std::uint32_t root : plan.index_roots) EmptyIndexRoot(pager, root, sink);
  const std::uint8_t zero[4] = {0, 0, 0, 0};
  for (const TableDef::Location& at : plan.counters) sink.Write(at.page, at.offset, zero);
}

}  // namespace jet
