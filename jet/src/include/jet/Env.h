#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace jet {

// All file access of the engine goes through these two classes, so that tests
// and fuzzers can run on memory and another operating system needs only one
// new implementation. Every method reports failure by throwing jet::Error.
class File {
 public:
  virtual ~File() = default;

  // Fills `out` from `offset`; a read past the end is an error.
  virtual void Read(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
  virtual void Write(std::uint64_t offset, std::span<const std::uint8_t> data) = 0;
  // Returns once everything written so far is on stable storage.
  virtual void Sync() = 0;
  virtual std::uint64_t Size() = 0;
  // Takes an exclusive lock without waiting; false when someone else holds one.
  virtual bool TryLock() = 0;
  // Takes a shared lock without waiting: readers share it, and no one may
  // hold the exclusive lock meanwhile. A system without shared locks may take
  // the exclusive one instead, which only turns some readers away.
  virtual bool TryLockShared() { return TryLock(); }
  // Gives up whichever lock the file holds.
  virtual void Unlock() = 0;
};

enum class Access { kReadOnly, kReadWrite };

class Env {
 public:
  virtual ~Env() = default;

  // Throws Error::Code::kNotFound for a missing file and kReadOnly when
  // kReadWrite is asked of a file that may only be read.
  virtual std::unique_ptr<File> Open(const std::string& path, Access access) = 0;
  // Creates `path` (emptying a file already there) for reading and writing.
  virtual std::unique_ptr<File> Create(const std::string& path) = 0;
  virtual bool Exists(const std::string& path) = 0;
  virtual void Remove(const std::string& path) = 0;
  // Returns once files created in or removed from the folder holding `path`
  // stay so across a power cut. The rollback journal relies on it: it must be
  // found after a crash exactly when the database may be half changed.
  // POSIX: fsync of the folder. Windows cannot flush a folder and needs not:
  // NTFS logs its folder changes, so there this does nothing.
  virtual void SyncFolderOf(const std::string& path) = 0;

  // The operating system's files. Never deleted.
  static Env* Default();
};

// Files held in memory, for tests and fuzzing. Files opened from it share the
// stored bytes, so a test can inspect what the engine wrote.
class MemEnv : public Env {
 public:
  void Put(const std::string& path, std::vector<std::uint8_t> bytes, bool read_only = false);
  std::vector<std::uint8_t> Get(const std::string& path) const;
  // Holds the exclusive lock of `path` as another program would.
  void SetLockedElsewhere(const std::string& path, bool locked);

  std::unique_ptr<File> Open(const std::string& path, Access access) override;
  std::unique_ptr<File> Create(const std::string& path) override;
  bool Exists(const std::string& path) override;
  void Remove(const std::string& path) override;
  void SyncFolderOf(const std::string& /*path*/) override {}

  struct Stored {
    std::vector<std::uint8_t> bytes;
    bool read_only = false;
    bool locked = false;  // exclusively
    int shared = 0;       // holders of the shared lock
  };

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<Stored>> files_;
};

}  // namespace jet
