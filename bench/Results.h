// The figures one run produces, as the report reads them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

inline constexpr std::uint64_t kPageBytes = 4096;  // Jet 4 pages, as the writer makes them

enum class Cache { kWarm, kCold };

// One measured operation on one database file.
struct Measurement {
  std::string operation;  // "clear", "copy", "read all"
  Cache cache = Cache::kWarm;
  int runs = 0;
  double seconds = 0;  // median wall time over the runs
  double fastest = 0;
  double slowest = 0;
  std::uint64_t pages_read = 0;
  std::uint64_t pages_written = 0;
  std::uint64_t bytes_written = 0;       // handed to write calls, journal included
  std::uint64_t disk_bytes_written = 0;  // made dirty for the disk (the kernel's count)
  std::uint64_t syncs = 0;               // file and folder flushes, where known
  double sync_seconds = -1;              // of the wall time, waiting for them; -1: not known
  std::uint64_t peak_rss_bytes = 0;
  std::string note;
};

struct ClearCase {
  int rows = 0;
  bool memos = false;
  std::uint64_t file_bytes = 0;
  double create_seconds = 0;
  std::vector<Measurement> measurements;

  const Measurement* Find(const std::string& operation, Cache cache) const;
};

// A figure from the in-process benchmarks (Google Benchmark).
struct MicroResult {
  std::string name;
  std::string database;  // what it ran on, for the open cases
  std::uint64_t file_bytes = 0;
  Cache cache = Cache::kWarm;
  double seconds = 0;      // per iteration
  std::int64_t iterations = 0;
  double pages_read = 0;   // per iteration
};

struct Results {
  std::vector<ClearCase> clears;
  std::vector<MicroResult> opens;
  std::vector<MicroResult> settings;
  double total_seconds = 0;
};

}  // namespace bench
