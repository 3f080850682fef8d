// Helpers for the writer's tests: running the independent readers, reading
// their output, and scratch paths.
#pragma once

#include <string>
#include <vector>

#include "Schema.h"
#include "Value.h"

namespace jet::writer::testing {

struct CommandResult {
  int exitCode = -1;
  std::string out;
};

// Runs a shell command; stderr is discarded.
CommandResult Run(const std::string& command);
bool HaveProgram(const std::string& name);
std::string Quote(const std::string& path);

// The mdb-reader dump script, if its node modules are installed.
std::string MdbReaderScript();
std::string SharedDir();

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
