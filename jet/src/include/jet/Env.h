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
  virtual void Unlock() = 0;
};

enum class Access { kReadOnly, kReadWrite };

class Env {
 public:
  virtual ~Env() = default;

  // Throws Error::Code::kNotFound for a missing file and kReadOnly when
  // kReadWrite is asked of a file that may only be read.
  virtual std::unique_ptr<File> Open(const std::string& path, Access access) = 0;
  virtual bool Exists(const std::string& path) = 0;
  virtual void Remove(const std::string& path) = 0;

  // The operating system's files. Never deleted.
  static Env* Default();
};

// Files held in memory, for tests and fuzzing. Files opened from it share the
// stored bytes, so a test can inspect what the engine wrote.
class MemEnv : public Env {
 public:
  void Put(const std::string& path, std::vector<std::uint8_t> bytes, bool read_only = false);
  std::vector<std::uint8_t> Get(const std::string& path) const;
  // Holds the lock of `path` as another program would.
  void SetLockedElsewhere(const std::string& path, bool locked);

  std::unique_ptr<File> Open(const std::string& path, Access access) override;
  bool Exists(const std::string& path) override;
  void Remove(const std::string& path) override;

  struct Stored {
    std::vector<std::uint8_t> bytes;
    bool read_only = false;
    bool locked = false;
  };

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<Stored>> files_;
};

}  // namespace jet
