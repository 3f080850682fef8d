#include "CountingEnv.h"

#include <algorithm>
#include <chrono>

namespace bench {

namespace {

// Runs `step` and returns how long it took.
template <typename F>
double Timed(F&& step) {
  const auto start = std::chrono::steady_clock::now();
  step();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class CountingFile : public jet::File {
 public:
  CountingFile(std::unique_ptr<jet::File> base, std::shared_ptr<FileCounts> counts)
      : base_(std::move(base)), counts_(std::move(counts)) {}

  void Read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    base_->Read(offset, out);
    counts_->NoteRead(out.size());
  }

  void Write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    base_->Write(offset, data);
    counts_->NoteWrite(offset, data.size());
  }

  void Sync() override {
    counts_->NoteSync(Timed([&] { base_->Sync(); }));
  }

  std::uint64_t Size() override { return base_->Size(); }
  bool TryLock() override { return base_->TryLock(); }
  bool TryLockShared() override { return base_->TryLockShared(); }
  void Unlock() override { base_->Unlock(); }

 private:
  std::unique_ptr<jet::File> base_;
  std::shared_ptr<FileCounts> counts_;
};

}  // namespace

IoTotals& IoTotals::operator+=(const IoTotals& other) {
  reads += other.reads;
  bytes_read += other.bytes_read;
  writes += other.writes;
  bytes_written += other.bytes_written;
  blocks_written += other.blocks_written;
  syncs += other.syncs;
  sync_seconds += other.sync_seconds;
  return *this;
}

void FileCounts::NoteRead(std::uint64_t length) {
  ++totals_.reads;
  totals_.bytes_read += length;
}

void FileCounts::NoteWrite(std::uint64_t offset, std::uint64_t length) {
  ++totals_.writes;
  totals_.bytes_written += length;
  if (length == 0) return;
  const std::uint64_t first = offset / kBlockSize;
  const std::uint64_t last = (offset + length - 1) / kBlockSize;
  if (written_blocks_.size() <= last) written_blocks_.resize(last + 1);
  for (std::uint64_t b = first; b <= last; ++b) written_blocks_[b] = true;
}

IoTotals FileCounts::Totals() const {
  IoTotals totals = totals_;
  totals.blocks_written = static_cast<std::uint64_t>(std::count(written_blocks_.begin(), written_blocks_.end(), true));
  return totals;
}

std::unique_ptr<jet::File> CountingEnv::Open(const std::string& path, jet::Access access) {
  return std::make_unique<CountingFile>(base_.Open(path, access), CountsFor(path));
}

std::unique_ptr<jet::File> CountingEnv::Create(const std::string& path) {
  return std::make_unique<CountingFile>(base_.Create(path), CountsFor(path));
}

void CountingEnv::SyncFolderOf(const std::string& path) {
  folder_sync_seconds_ += Timed([&] { base_.SyncFolderOf(path); });
  ++folder_syncs_;
}

std::shared_ptr<FileCounts> CountingEnv::CountsFor(const std::string& path) {
  std::shared_ptr<FileCounts>& counts = counts_[path];
  if (!counts) counts = std::make_shared<FileCounts>();
  return counts;
}

IoTotals CountingEnv::Of(const std::string& path) const {
  const auto it = counts_.find(path);
  return it == counts_.end() ? IoTotals{} : it->second->Totals();
}

IoTotals CountingEnv::AllBut(const std::string& path) const {
  IoTotals sum;
  for (const auto& [name, counts] : counts_) {
    if (name != path) sum += counts->Totals();
  }
  return sum;
}

void CountingEnv::Reset() {
  for (auto& [name, counts] : counts_) *counts = FileCounts{};
  folder_syncs_ = 0;
  folder_sync_seconds_ = 0;
}

}  // namespace bench
