// An Env that passes everything to another one and counts what goes through:
// how the engine's reads, writes and flushes add up is the first thing to
// know about its speed, before any clock is looked at.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "jet/Env.h"

namespace bench {

struct IoTotals {
  std::uint64_t reads = 0;
  std::uint64_t bytes_read = 0;
  std::uint64_t writes = 0;
  std::uint64_t bytes_written = 0;
  // 4 KiB blocks written at least once: each goes back to the disk whole,
  // however few of its bytes changed.
  std::uint64_t blocks_written = 0;
  std::uint64_t syncs = 0;
  double sync_seconds = 0;  // waiting for the flushes

  IoTotals& operator+=(const IoTotals& other);
};

// What one file saw, summed over all the times it was opened.
class FileCounts {
 public:
  static constexpr std::uint64_t kBlockSize = 4096;  // the page cache's unit

  void NoteRead(std::uint64_t length);
  void NoteWrite(std::uint64_t offset, std::uint64_t length);
  void NoteSync(double seconds) {
    ++totals_.syncs;
    totals_.sync_seconds += seconds;
  }
  IoTotals Totals() const;

 private:
  IoTotals totals_;
  std::vector<bool> written_blocks_;
};

class CountingEnv : public jet::Env {
 public:
  explicit CountingEnv(jet::Env& base) : base_(base) {}

  std::unique_ptr<jet::File> Open(const std::string& path, jet::Access access) override;
  std::unique_ptr<jet::File> Create(const std::string& path) override;
  bool Exists(const std::string& path) override { return base_.Exists(path); }
  void Remove(const std::string& path) override { base_.Remove(path); }
  void SyncFolderOf(const std::string& path) override;

  // The counts of `path`; zero when it was never opened.
  IoTotals Of(const std::string& path) const;
  // Every file but `path` together (for a database: its journal).
  IoTotals AllBut(const std::string& path) const;
  std::uint64_t folder_syncs() const { return folder_syncs_; }
  double folder_sync_seconds() const { return folder_sync_seconds_; }
  void Reset();

 private:
  std::shared_ptr<FileCounts> CountsFor(const std::string& path);

  jet::Env& base_;
  std::map<std::string, std::shared_ptr<FileCounts>> counts_;
  std::uint64_t folder_syncs_ = 0;
  double folder_sync_seconds_ = 0;
};

}  // namespace bench
