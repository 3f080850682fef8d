#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jet/Env.h"
#include "jet/Error.h"

namespace jet {

struct OpenOptions {
  // The database password. Databases protected by one are refused either way.
  std::string password;
};

struct TableInfo {
  std::string name;
  std::int64_t row_count = 0;  // as stored in the table's definition
  bool system = false;
};

struct DatabaseInfo {
  std::string format;  // e.g. "Jet 4 (Access 2000-2003)"
  std::uint32_t page_size = 0;
  std::uint32_t page_count = 0;
  bool encoded = false;  // pages RC4-encoded ("encrypted" without a password)
  std::vector<TableInfo> tables;  // in catalog order
};

class StatementLock;

// An open Access (Jet 3 or Jet 4) database. The file stays open as long as the
// object lives; every statement reads what it needs afresh, so a failed
// statement leaves the object usable. Errors are jet::Error, their text
// beginning with the file's path.
//
// Changes are all or nothing, across crashes too: each goes through a
// rollback journal beside the file ("<path>-journal"), and whatever finds a
// journal left by a change that died (Open, or any later statement) puts the
// file back as it was before going on.
//
// The file is locked only while a statement runs, never between statements:
// shared by Open and Info, exclusively by a change. A lock held elsewhere is
// never waited for; the statement fails at once with Error::Code::kInUse.
class Database {
 public:
  // Checks that `path` is a Jet database this engine can change, first
  // undoing an interrupted change. `env` is the file system to use (the
  // operating system's when null).
  static std::unique_ptr<Database> Open(const std::string& path, const OpenOptions& options = {},
                                        Env* env = nullptr);

  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Runs "DELETE * FROM <table>" or "DELETE FROM <table>"; returns the number
  // of rows deleted. On any error the file is left as it was.
  std::int64_t Execute(std::string_view sql);

  DatabaseInfo Info();

  const std::string& path() const { return path_; }
  bool read_only() const { return read_only_; }

 private:
  Database(std::string path, std::unique_ptr<File> file, bool read_only, Env& env);
  void FinishInterruptedChange(StatementLock& lock);

  template <typename F>
  auto Guarded(F&& body) -> decltype(body());

  std::string path_;
  std::unique_ptr<File> file_;
  bool read_only_;
  Env& env_;
};

}  // namespace jet
