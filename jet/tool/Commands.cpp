#include "Commands.h"

#include <charconv>
#include <ostream>

#include "jet/Database.h"
#include "writer/SampleDatabase.h"

namespace jet::tool {

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands{
      {"info", "FILE", "show the format, page size and tables with their row counts", 1, 1, Info},
      {"exec", "FILE SQL", "run a statement (\"DELETE * FROM <table>\"); prints the rows deleted", 2,
       2, Exec},
      {"create-sample", "FILE [--rooms N] [--no-memos]",
       "create a new Access 2000 database with a T_Room table of N rooms (default 36)", 1, 4,
       CreateSample},
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

int CreateSample(std::span<const std::string> args, std::ostream& out) {
  writer::RoomDatabaseOptions options;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--no-memos") {
      options.memoValues = false;
    } else if (args[i] == "--rooms" && i + 1 < args.size()) {
      const std::string& text = args[++i];
      const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), options.rooms);
      if (error != std::errc() || end != text.data() + text.size() || options.rooms < 0) {
        throw UsageError();
      }
    } else {
      throw UsageError();
    }
  }
  writer::CreateRoomDatabase(args[0], options);
  out << "created " << args[0] << " with " << options.rooms << " rooms\n";
  return 0;
}

}  // namespace jet::tool
