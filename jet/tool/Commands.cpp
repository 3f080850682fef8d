#include "Commands.h"

#include <ostream>

#include "jet/Database.h"

namespace jet::tool {

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands{
      {"info", "FILE", "show the format, page size and tables with their row counts", 1, Info},
      {"exec", "FILE SQL", "run a statement (\"DELETE * FROM <table>\"); prints the rows deleted", 2,
       Exec},
  };
  return commands;
}

int Info(std::span<const std::string> args, std::ostream& out) {
  auto db = Database::Open(args[0]);
  const DatabaseInfo info = db->Info();
  out << "format: " << info.format << "\n"
      << "page size: " << info.page_size << "\n"
      << "pages: " << info.page_count << "\n"
      << "encoded: " << (info.encoded ? "yes" : "no") << "\n"
      << "tables:\n";
  for (const TableInfo& t : info.tables) {
    out << "  " << t.name << "\t" << t.row_count << (t.system ? "\tsystem" : "") << "\n";
  }
  return 0;
}

int Exec(std::span<const std::string> args, std::ostream& out) {
  auto db = Database::Open(args[0]);
  out << db->Execute(args[1]) << "\n";
  return 0;
}

}  // namespace jet::tool
