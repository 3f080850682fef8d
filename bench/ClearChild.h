// The clear as a program of its own (`tarvex-bench clear-child FILE`): the
// engine opens FILE through a counting Env and deletes every row of T_Room,
// then prints what it read, wrote and flushed, one "name value" a line. Run in
// a child process so that its peak memory is the engine's alone.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "CountingEnv.h"

namespace bench {

struct ClearCounts {
  std::int64_t rows = 0;
  IoTotals database;
  IoTotals journal;  // every other file the engine opened
  std::uint64_t folder_syncs = 0;
  double sync_seconds = 0;  // all flushes together
};

int RunClearChild(const std::string& path, std::ostream& out);

// Reads what RunClearChild printed.
ClearCounts ParseClearCounts(const std::string& text);

}  // namespace bench
