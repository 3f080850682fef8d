#include <algorithm>

#include "jet/Env.h"
#include "jet/Error.h"

namespace jet {

namespace {

class MemFile : public File {
 public:
  MemFile(std::shared_ptr<MemEnv::Stored> stored, bool writable)
      : stored_(std::move(stored)), writable_(writable) {}
  ~MemFile() override { Unlock(); }
  MemFile(const MemFile&) = delete;
  MemFile& operator=(const MemFile&) = delete;

  void Read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    const auto& bytes = stored_->bytes;
    if (offset > bytes.size() || out.size() > bytes.size() - offset) {
      throw Error(Error::Code::kIo, "cannot read the file: unexpected end of file");
    }
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
  }

  void Write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    if (!writable_) throw Error(Error::Code::kReadOnly, "cannot write the file: opened for reading only");
    auto& bytes = stored_->bytes;
    if (offset + data.size() > bytes.size()) bytes.resize(offset + data.size());
    std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
  }

  void Sync() override {}
  std::uint64_t Size() override { return stored_->bytes.size(); }

  // Like flock: a holder may change its lock from one kind to the other.
  bool TryLock() override {
    if (held_ == Held::kExclusive) return true;
    if (stored_->locked || stored_->shared > (held_ == Held::kShared ? 1 : 0)) return false;
    Unlock();
    stored_->locked = true;
    held_ = Held::kExclusive;
    return true;
  }

  bool TryLockShared() override {
    if (held_ == Held::kShared) return true;
    if (held_ == Held::kExclusive) Unlock();
    if (stored_->locked) return false;
    ++stored_->shared;
    held_ = Held::kShared;
    return true;
  }

  void Unlock() override {
    if (held_ == Held::kExclusive) stored_->locked = false;
    if (held_ == Held::kShared) --stored_->shared;
    held_ = Held::kNone;
  }

 private:
  enum class Held { kNone, kShared, kExclusive };
  std::shared_ptr<MemEnv::Stored> stored_;
  bool writable_;
  Held held_ = Held::kNone;
};

}  // namespace

void MemEnv::Put(const std::string& path, std::vector<std::uint8_t> bytes, bool read_only) {
  std::lock_guard lock(mutex_);
  auto stored = std::make_shared<Stored>();
  stored->bytes = std::move(bytes);
  stored->read_only = read_only;
  files_[path] = std::move(stored);
}

std::vector<std::uint8_t> MemEnv::Get(const std::string& path) const {
  std::lock_guard lock(mutex_);
  auto it = files_.find(path);
  return it == files_.end() ? std::vector<std::uint8_t>{} : it->second->bytes;
}

void MemEnv::SetLockedElsewhere(const std::string& path, bool locked) {
  std::lock_guard lock(mutex_);
  auto it = files_.find(path);
  if (it != files_.end()) it->second->locked = locked;
}

std::unique_ptr<File> MemEnv::Open(const std::string& path, Access access) {
  std::lock_guard lock(mutex_);
  auto it = files_.find(path);
  if (it == files_.end()) {
    throw Error(Error::Code::kNotFound, "cannot open the file: No such file or directory");
  }
  if (access == Access::kReadWrite && it->second->read_only) {
    throw Error(Error::Code::kReadOnly, "cannot open the file: Permission denied");
  }
  return std::make_unique<MemFile>(it->second, access == Access::kReadWrite);
}

std::unique_ptr<File> MemEnv::Create(const std::string& path) {
  std::lock_guard lock(mutex_);
  auto& stored = files_[path];
  if (stored && stored->read_only) {
    throw Error(Error::Code::kReadOnly, "cannot create the file: Permission denied");
  }
  if (stored) {
    stored->bytes.clear();
  } else {
    stored = std::make_shared<Stored>();
  }
  return std::make_unique<MemFile>(stored, true);
}

bool MemEnv::Exists(const std::string& path) {
  std::lock_guard lock(mutex_);
  return files_.count(path) != 0;
}

void MemEnv::Remove(const std::string& path) {
  std::lock_guard lock(mutex_);
  files_.erase(path);
}

}  // namespace jet
