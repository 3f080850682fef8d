#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Catalog.h"
#include "Pager.h"
#include "TableDef.h"
#include "Transaction.h"

namespace jet {

// Everything that deleting all rows of one table changes, found before any
// byte is written. Small whatever the table's size: page numbers only, the
// pages themselves are read again when the changes are made.
struct ClearPlan {
  std::uint32_t table_page = 0;
  std::int64_t rows = 0;                    // live rows; a moved row counts once
  std::vector<std::uint32_t> data_pages;    // pages with at least one live row
  std::vector<std::uint32_t> index_roots;   // one per B-tree
  std::vector<TableDef::Location> counters; // 4-byte counts to set to 0

  bool changes_nothing() const { return data_pages.empty() && index_roots.empty() && counters.empty(); }
};

// Checks the table and finds its changes; reads only. Throws jet::Error on
// anything that forbids or endangers the change (a damaged page, rows in
// another table that refer to this one), so that nothing is written then.
ClearPlan PlanClearTable(const Pager& pager, const Catalog& catalog, const TableDef& table,
                         const std::string& table_name);

// Makes the planned changes through `sink`, one page at a time:
// - each data page: every row slot without both the deleted and the overflow
//   flag gets them, as Jet marks the rows it deletes (the slots moved rows'
//   data went to included); nothing else of the page (row bytes, its free
//   space count) and no long value page is touched;
// - each B-tree's root page becomes an empty leaf (its header and entry mask
//   rewritten in place); the pages below it stay allocated but unreachable;
// - the table definition's row count and each B-tree's entry count become 0.
void ApplyClearTable(const Pager& pager, const ClearPlan& plan, PageSink& sink);

}  // namespace jet
