#pragma once

#include <string>
#include <string_view>

namespace jet {

// The one kind of statement the engine runs: delete every row of a table.
struct DeleteAll {
  std::string table;
};

// Accepts "DELETE * FROM name" and "DELETE FROM name" in any letter case and
// spacing, the name bare or in brackets, with an optional closing semicolon.
// Anything else throws jet::Error (kUnsupportedStatement).
DeleteAll ParseStatement(std::string_view sql);

}  // namespace jet
