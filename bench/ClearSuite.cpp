#include "ClearSuite.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "ClearChild.h"
#include "Files.h"
#include "Process.h"

namespace bench {

namespace {

std::uint64_t Pages(std::uint64_t bytes) { return (bytes + kPageBytes - 1) / kPageBytes; }

const char* Name(Cache cache) { return cache == Cache::kCold ? "cold" : "warm"; }

// A copy of the database to clear, made and flushed before the clock starts;
// a cold run also drops it from the page cache.
std::string PrepareWorkCopy(const std::string& database, const ClearOptions& options, Cache cache) {
  const std::string work = options.scratch + "/work.mdb";
  CopySynced(database, work);
  SyncFileSystem(options.scratch);
  if (cache == Cache::kCold) DropFromCache(work);
  return work;
}

// The engine's clear, in a child process: open + DELETE * FROM T_Room, with
// the journal, its flushes and the database's flush.
Measurement RunClear(const std::string& database, int rows, const ClearOptions& options, Cache cache) {
  const std::string work = PrepareWorkCopy(database, options, cache);
  const ProcessResult p = Measure({SelfPath(), "clear-child", work}, Output::kCapture);
  const ClearCounts counts = ParseClearCounts(p.output);
  if (counts.rows != rows) {
    throw std::runtime_error("the clear deleted " + std::to_string(counts.rows) + " rows, not " + std::to_string(rows));
  }
  std::filesystem::remove(work);
  Measurement m;
  m.operation = "clear";
  m.cache = cache;
  m.seconds = p.wall_seconds;
  m.pages_read = Pages(counts.database.bytes_read + counts.journal.bytes_read);
  m.pages_written = counts.database.blocks_written + counts.journal.blocks_written;
  m.bytes_written = counts.database.bytes_written + counts.journal.bytes_written;
  m.disk_bytes_written = p.io.write_bytes;
  m.syncs = counts.database.syncs + counts.journal.syncs + counts.folder_syncs;
  m.sync_seconds = counts.sync_seconds;
  m.peak_rss_bytes = p.peak_rss_bytes;
  return m;
}

// GNU cp, then a flush of the copy inside the timed region: the clear's
// figure includes its flushes, so the copy's must too.
Measurement RunCopy(const std::string& database, const ClearOptions& options, Cache cache) {
  const std::string copy = options.scratch + "/copy.mdb";
  SyncFileSystem(options.scratch);
  if (cache == Cache::kCold) DropFromCache(database);
  const ProcessResult p = Measure({"cp", database, copy}, Output::kDiscard, copy);
  std::filesystem::remove(copy);
  Measurement m;
  m.operation = "copy";
  m.cache = cache;
  m.seconds = p.wall_seconds;
  m.pages_read = Pages(p.io.rchar);
  m.pages_written = Pages(p.io.wchar);
  m.bytes_written = p.io.wchar;
  m.disk_bytes_written = p.io.write_bytes;
  m.syncs = 1;
  m.sync_seconds = p.after_seconds;
  m.peak_rss_bytes = p.peak_rss_bytes;
  return m;
}

Measurement RunExport(const std::string& database) {
  const ProcessResult p = Measure({"mdb-export", database, "T_Room"}, Output::kDiscard);
  Measurement m;
  m.operation = "read all";
  m.seconds = p.wall_seconds;
  m.pages_read = Pages(p.io.rchar);
  m.bytes_written = p.io.wchar;
  m.disk_bytes_written = p.io.write_bytes;
  m.peak_rss_bytes = p.peak_rss_bytes;
  m.note = "CSV to /dev/null";
  return m;
}

// The median run stands for all; the spread goes with it.
Measurement Median(std::vector<Measurement> all) {
  std::sort(all.begin(), all.end(), [](const Measurement& a, const Measurement& b) { return a.seconds < b.seconds; });
  Measurement m = all[all.size() / 2];
  m.runs = static_cast<int>(all.size());
  m.fastest = all.front().seconds;
  m.slowest = all.back().seconds;
  return m;
}

void Progress(int rows, bool memos, const Measurement& m) {
  std::cerr << "  " << rows << " rows" << (memos ? " with memos" : "") << ", " << m.operation << " ("
            << Name(m.cache) << "): " << m.seconds * 1000 << " ms\n";
}

}  // namespace

ClearCase MeasureClearCase(const std::string& database, int rows, bool memos, const ClearOptions& options) {
  ClearCase c;
  c.rows = rows;
  c.memos = memos;
  c.file_bytes = FileSize(database);
  std::vector<Cache> caches{Cache::kWarm};
  if (options.cold_too) caches.push_back(Cache::kCold);
  for (Cache cache : caches) {
    // Clears and copies take turns, so that whatever else the machine does
    // falls on both alike.
    std::vector<Measurement> clears, copies;
    for (int i = 0; i < options.runs; ++i) {
      clears.push_back(RunClear(database, rows, options, cache));
      copies.push_back(RunCopy(database, options, cache));
    }
    for (auto& runs : {clears, copies}) {
      const Measurement m = Median(runs);
      Progress(rows, memos, m);
      c.measurements.push_back(m);
    }
  }
  if (options.export_too) {
    const Measurement m = Median({RunExport(database)});
    Progress(rows, memos, m);
    c.measurements.push_back(m);
  }
  return c;
}

const Measurement* ClearCase::Find(const std::string& operation, Cache cache) const {
  for (const Measurement& m : measurements) {
    if (m.operation == operation && m.cache == cache) return &m;
  }
  return nullptr;
}

}  // namespace bench
