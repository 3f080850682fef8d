#pragma once

#include <cstdint>
#include <string>

#include "Catalog.h"
#include "Pager.h"
#include "TableDef.h"
#include "Transaction.h"

namespace jet {

// Deletes every row of one table, giving each change to `sink` as it is
// found and reading each of the table's pages once:
// - each data page: every row slot without both the deleted and the overflow
//   flag gets them, as Jet marks the rows it deletes (the slots moved rows'
//   data went to included); nothing else of the page (row bytes, its free
//   space count) and no long value page is touched;
// - each B-tree's root page becomes an empty leaf (its header and entry mask
//   rewritten in place); the pages below it stay allocated but unreachable;
// - the table definition's row count and each B-tree's entry count become 0.
// A table without rows keeps its indexes and counts as they are (only slots
// left half-marked by an earlier delete are completed).
//
// Throws jet::Error on anything that forbids or endangers the change (a
// damaged page, rows in another table that refer to this one). What can be
// checked without reading the data pages is checked before the first change;
// a data page is checked as it is read, so a damaged one can throw after
// earlier pages' changes went to `sink`. The sink must therefore hold the
// changes back until the end, as a Transaction does (it journals them and
// writes the database only on Commit).
//
// Returns the number of live rows deleted; a moved row counts once.
std::int64_t ClearTable(const Pager& pager, const Catalog& catalog, const TableDef& table,
                        const std::string& table_name, PageSink& sink);

}  // namespace jet
