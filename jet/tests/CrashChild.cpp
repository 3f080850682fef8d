// jet-crash-child DB SQL STOP [PAUSE_MS]: runs SQL on DB through the
// operating system's files, counting the steps that change the disk (writes,
// flushes, creations, removals). At step STOP (counted from 0) it kills
// itself with SIGKILL before the step happens, as a crash would stop it. With
// PAUSE_MS it announces each step on stdout ("step N: what") and waits that
// long before taking it, so that another process can act meanwhile. Prints
// "steps N" and exits 0 when the statement ran to its end; exits 1 with the
// error on stderr when it failed.

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <iostream>
#include <string>
#include <thread>

#include "jet/Database.h"
#include "jet/Env.h"

namespace {

class Steps {
 public:
  Steps(std::uint64_t stop, int pause_ms) : stop_(stop), pause_ms_(pause_ms) {}

  void Take(const std::string& what) {
    if (pause_ms_ > 0) {
      std::cout << "step " << count_ << ": " << what << std::endl;
      std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms_));
    }
    if (count_ == stop_) ::kill(::getpid(), SIGKILL);
    ++count_;
  }
  std::uint64_t count() const { return count_; }

 private:
  std::uint64_t stop_;
  int pause_ms_;
  std::uint64_t count_ = 0;
};

class StepFile : public jet::File {
 public:
  StepFile(std::unique_ptr<jet::File> file, Steps& steps, std::string path)
      : file_(std::move(file)), steps_(steps), path_(std::move(path)) {}

  void Read(std::uint64_t offset, std::span<std::uint8_t> out) override { file_->Read(offset, out); }
  void Write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    steps_.Take("write " + path_);
    file_->Write(offset, data);
  }
  void Sync() override {
    steps_.Take("flush " + path_);
    file_->Sync();
  }
  std::uint64_t Size() override { return file_->Size(); }
  bool TryLock() override { return file_->TryLock(); }
  bool TryLockShared() override { return file_->TryLockShared(); }
  void Unlock() override { file_->Unlock(); }

 private:
  std::unique_ptr<jet::File> file_;
  Steps& steps_;
  std::string path_;
};

class StepEnv : public jet::Env {
 public:
  explicit StepEnv(Steps& steps) : steps_(steps), base_(*jet::Env::Default()) {}

  std::unique_ptr<jet::File> Open(const std::string& path, jet::Access access) override {
    return std::make_unique<StepFile>(base_.Open(path, access), steps_, path);
  }
  std::unique_ptr<jet::File> Create(const std::string& path) override {
    steps_.Take("create " + path);
    return std::make_unique<StepFile>(base_.Create(path), steps_, path);
  }
  bool Exists(const std::string& path) override { return base_.Exists(path); }
  void Remove(const std::string& path) override {
    steps_.Take("remove " + path);
    base_.Remove(path);
  }
  void SyncFolderOf(const std::string& path) override {
    steps_.Take("flush the folder");
    base_.SyncFolderOf(path);
  }

 private:
  Steps& steps_;
  jet::Env& base_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::cerr << "usage: jet-crash-child DB SQL STOP [PAUSE_MS]\n";
    return 2;
  }
  Steps steps(std::stoull(argv[3]), argc == 5 ? std::stoi(argv[4]) : 0);
  StepEnv env(steps);
  try {
    auto db = jet::Database::Open(argv[1], {}, &env);
    db->Execute(argv[2]);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  std::cout << "steps " << steps.count() << std::endl;
  return 0;
}
