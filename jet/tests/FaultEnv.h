#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/Env.h"

namespace jet::test {

// Files in memory with a model of what a crash leaves on the disk. Every
// step that changes the disk (a write, a flush of a file or of the folder, a
// creation, a removal) is counted, so a test can stop a run at any of them:
// CrashAt makes that step and all later ones fail without effect, as if the
// process had died there; FailAt makes that one step fail, as an I/O error or
// a full disk would. Restart then decides what survived:
//  - kNothingLost: the process was killed, the system kept every write;
//  - kUnflushedLost: a power cut, only what was flushed survives (folder
//    changes included, which only a folder flush makes durable);
//  - kSomeUnflushedLost: a power cut in which the disk had already taken some
//    of the unflushed writes, some of them in part, and a first part of the
//    unflushed folder changes.
// One folder holds all files. Locks always succeed (one process).
class FaultEnv : public Env {
 public:
  enum class Loss { kNothingLost, kUnflushedLost, kSomeUnflushedLost };

  // Stores `bytes` as if long flushed.
  void Put(const std::string& path, std::vector<std::uint8_t> bytes);
  std::vector<std::uint8_t> Get(const std::string& path) const;

  std::uint64_t steps() const { return step_; }
  // What each step since the last Restart did, e.g. "write db.mdb".
  const std::vector<std::string>& log() const { return log_; }
  // The first step since the last Restart whose log entry is `what`.
  std::optional<std::uint64_t> FirstStep(const std::string& what) const;
  void CrashAt(std::uint64_t step) { crash_at_ = step; }
  void FailAt(std::uint64_t step) { fail_at_ = step; }
  // After a crash: keeps what `loss` keeps (choices drawn from `seed`), makes
  // it all durable, and starts counting again with no faults set.
  void Restart(Loss loss, std::uint32_t seed = 0);

  std::unique_ptr<File> Open(const std::string& path, Access access) override;
  std::unique_ptr<File> Create(const std::string& path) override;
  bool Exists(const std::string& path) override;
  void Remove(const std::string& path) override;
  void SyncFolderOf(const std::string& path) override;

  struct Node;
  // Counts one step; throws when a fault is set for it.
  void Step(const std::string& what);

 private:
  struct FolderChange {
    std::string path;
    std::shared_ptr<Node> node;  // null: removed
  };

  std::map<std::string, std::shared_ptr<Node>> live_;
  std::map<std::string, std::shared_ptr<Node>> durable_;  // as of the last folder flush
  std::vector<FolderChange> unflushed_folder_;
  std::uint64_t step_ = 0;
  std::vector<std::string> log_;
  std::optional<std::uint64_t> crash_at_;
  std::optional<std::uint64_t> fail_at_;
};

}  // namespace jet::test
