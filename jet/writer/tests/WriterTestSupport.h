// Helpers for the writer's tests: what the independent readers return, cell
// by cell, against the rows written; and scratch paths. Running the readers
// and finding fixtures is the engine tests' support (jet::test).
#pragma once

#include <string>
#include <vector>

#include "Schema.h"
#include "TestSupport.h"
#include "Value.h"

namespace jet::writer::testing {

// A fresh path in a per-test scratch folder.
std::string ScratchPath(const std::string& fileName);

// One cell of a reader's output; null is told apart from empty text.
struct Cell {
  bool null = true;
  std::string text;
};
using Table = std::vector<std::vector<Cell>>;  // rows of cells

// mdb-export's CSV: header line first, quoted text, empty unquoted cells null.
Table ParseCsv(const std::string& csv);

// The mdb-reader dump of one table, one row per line, cells as text.
Table ReadWithMdbReader(const std::string& file, const std::string& table);
Table ReadWithMdbExport(const std::string& file, const std::string& table);

enum class Reader { kMdbExport, kMdbReader };

// Checks what a reader returned against the rows written (autonumbers filled
// in); reports the first few differences as test failures.
void ExpectRows(const Table& actual, const std::vector<std::vector<Value>>& written,
                const std::vector<ColumnDef>& columns, Reader reader);

}  // namespace jet::writer::testing
