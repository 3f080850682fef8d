#include "ClearChild.h"

#include <map>
#include <sstream>
#include <stdexcept>

#include "jet/Database.h"

namespace bench {

namespace {

void Print(std::ostream& out, const std::string& prefix, const IoTotals& io) {
  out << prefix << ".reads " << io.reads << "\n"
      << prefix << ".bytes_read " << io.bytes_read << "\n"
      << prefix << ".writes " << io.writes << "\n"
      << prefix << ".bytes_written " << io.bytes_written << "\n"
      << prefix << ".blocks_written " << io.blocks_written << "\n"
      << prefix << ".syncs " << io.syncs << "\n";
}

IoTotals Take(const std::map<std::string, std::uint64_t>& values, const std::string& prefix) {
  const auto get = [&](const std::string& name) {
    const auto it = values.find(prefix + "." + name);
    if (it == values.end()) throw std::runtime_error("clear-child did not report " + prefix + "." + name);
    return it->second;
  };
  IoTotals io;
  io.reads = get("reads");
  io.bytes_read = get("bytes_read");
  io.writes = get("writes");
  io.bytes_written = get("bytes_written");
  io.blocks_written = get("blocks_written");
  io.syncs = get("syncs");
  return io;
}

}  // namespace

int RunClearChild(const std::string& path, std::ostream& out) {
  CountingEnv env(*jet::Env::Default());
  std::int64_t rows = 0;
  {
    const auto db = jet::Database::Open(path, {}, &env);
    rows = db->Execute("DELETE * FROM T_Room");
  }
  out << "rows " << rows << "\n";
  Print(out, "database", env.Of(path));
  Print(out, "journal", env.AllBut(path));
  out << "folder_syncs " << env.folder_syncs() << "\n";
  const double sync_seconds =
      env.Of(path).sync_seconds + env.AllBut(path).sync_seconds + env.folder_sync_seconds();
  out << "sync_microseconds " << static_cast<std::uint64_t>(sync_seconds * 1e6) << "\n";
  return 0;
}

ClearCounts ParseClearCounts(const std::string& text) {
  std::map<std::string, std::uint64_t> values;
  std::istringstream in(text);
  std::string name;
  std::uint64_t value = 0;
  while (in >> name >> value) values[name] = value;
  ClearCounts counts;
  counts.rows = static_cast<std::int64_t>(values["rows"]);
  counts.database = Take(values, "database");
  counts.journal = Take(values, "journal");
  counts.folder_syncs = values["folder_syncs"];
  counts.sync_seconds = static_cast<double>(values["sync_microseconds"]) / 1e6;
  return counts;
}

}  // namespace bench
