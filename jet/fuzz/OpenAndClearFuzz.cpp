#include <cstdlib>
#include <string>
#include <vector>

#include "Harnesses.h"
#include "Journal.h"
#include "jet/Database.h"

namespace jet::fuzz {

namespace {

constexpr char kPath[] = "fuzz.mdb";
constexpr std::size_t kTablesCleared = 4;

void Require(bool promise) {
  if (!promise) std::abort();
}

}  // namespace

int OpenAndClear(const std::uint8_t* data, std::size_t size) {
  MemEnv env;
  env.Put(kPath, std::vector<std::uint8_t>(data, data + size));
  std::unique_ptr<Database> db;
  try {
    db = Database::Open(kPath, {}, &env);
  } catch (const Error&) {
    Require(env.Get(kPath) == std::vector<std::uint8_t>(data, data + size));
    return 0;
  }
  std::vector<std::string> tables;
  try {
    for (const TableInfo& table : db->Info().tables) tables.push_back(table.name);
  } catch (const Error&) {
    tables = {"Table1", "T_Room"};
  }
  std::size_t cleared = 0;
  for (const std::string& name : tables) {
    if (cleared++ == kTablesCleared) break;
    const std::vector<std::uint8_t> before = env.Get(kPath);
    try {
      db->Execute("DELETE FROM [" + name + "]");
    } catch (const Error&) {
      Require(env.Get(kPath) == before);
    }
    Require(env.Get(kPath).size() == before.size());
    Require(!env.Exists(JournalPath(kPath)));
  }
  return 0;
}

}  // namespace jet::fuzz

#ifdef TARVEX_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return jet::fuzz::OpenAndClear(data, size);
}
#endif
