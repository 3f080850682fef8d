#include "FaultEnv.h"

#include <algorithm>
#include <random>

#include "jet/Error.h"

namespace jet::test {

struct FaultEnv::Node {
  struct Write {
    std::uint64_t offset;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<std::uint8_t> live;
  std::vector<std::uint8_t> durable;
  std::vector<Write> unflushed;  // in the order written

  void Settle() {
    durable = live;
    unflushed.clear();
  }
};

namespace {

void Place(std::vector<std::uint8_t>& bytes, std::uint64_t offset, const std::uint8_t* data, std::size_t n) {
  if (offset + n > bytes.size()) bytes.resize(offset + n);
  std::copy_n(data, n, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

class FaultFile : public File {
 public:
  FaultFile(FaultEnv& env, std::string path, std::shared_ptr<FaultEnv::Node> node, bool writable)
      : env_(env), path_(std::move(path)), node_(std::move(node)), writable_(writable) {}

  void Read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    const auto& bytes = node_->live;
    if (offset > bytes.size() || out.size() > bytes.size() - offset) {
      throw Error(Error::Code::kIo, "cannot read the file: unexpected end of file");
    }
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
  }

  void Write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    if (!writable_) throw Error(Error::Code::kReadOnly, "cannot write the file: opened for reading only");
    env_.Step("write " + path_);
    Place(node_->live, offset, data.data(), data.size());
    node_->unflushed.push_back({offset, {data.begin(), data.end()}});
  }

  void Sync() override {
    env_.Step("flush " + path_);
    node_->Settle();
  }

  std::uint64_t Size() override { return node_->live.size(); }
  bool TryLock() override { return true; }
  void Unlock() override {}

 private:
  FaultEnv& env_;
  std::string path_;
  std::shared_ptr<FaultEnv::Node> node_;
  bool writable_;
};

}  // namespace

void FaultEnv::Step(const std::string& what) {
  const std::uint64_t n = step_++;
  log_.push_back(what);
  if (crash_at_ && n >= *crash_at_) {
    throw Error(Error::Code::kIo, "cannot " + what + ": the process is gone (simulated crash)");
  }
  if (fail_at_ && n == *fail_at_) {
    throw Error(Error::Code::kIo, "cannot " + what + ": No space left on device (simulated)");
  }
}

std::optional<std::uint64_t> FaultEnv::FirstStep(const std::string& what) const {
  auto it = std::find(log_.begin(), log_.end(), what);
  if (it == log_.end()) return std::nullopt;
  return static_cast<std::uint64_t>(it - log_.begin());
}

void FaultEnv::Put(const std::string& path, std::vector<std::uint8_t> bytes) {
  auto node = std::make_shared<Node>();
  node->live = std::move(bytes);
  node->Settle();
  live_[path] = node;
  durable_[path] = node;
}

std::vector<std::uint8_t> FaultEnv::Get(const std::string& path) const {
  auto it = live_.find(path);
  return it == live_.end() ? std::vector<std::uint8_t>{} : it->second->live;
}

void FaultEnv::Restart(Loss loss, std::uint32_t seed) {
  std::mt19937 random(seed);
  if (loss != Loss::kNothingLost) {
    std::map<std::string, std::shared_ptr<Node>> folder = durable_;
    const std::size_t kept = loss == Loss::kUnflushedLost ? 0 : random() % (unflushed_folder_.size() + 1);
    for (std::size_t i = 0; i < kept; ++i) {
      const FolderChange& change = unflushed_folder_[i];
      if (change.node) {
        folder[change.path] = change.node;
      } else {
        folder.erase(change.path);
      }
    }
    for (auto& [path, node] : folder) {
      std::vector<std::uint8_t> bytes = node->durable;
      if (loss == Loss::kSomeUnflushedLost) {
        for (const Node::Write& w : node->unflushed) {
          switch (random() % 3) {
            case 0: break;  // never reached the disk
            case 1: Place(bytes, w.offset, w.bytes.data(), w.bytes.size()); break;
            default: Place(bytes, w.offset, w.bytes.data(), random() % (w.bytes.size() + 1)); break;
          }
        }
      }
      node->live = std::move(bytes);
    }
    live_ = std::move(folder);
  }
  for (auto& entry : live_) entry.second->Settle();
  durable_ = live_;
  unflushed_folder_.clear();
  step_ = 0;
  log_.clear();
  crash_at_.reset();
  fail_at_.reset();
}

std::unique_ptr<File> FaultEnv::Open(const std::string& path, Access access) {
  auto it = live_.find(path);
  if (it == live_.end()) throw Error(Error::Code::kNotFound, "cannot open the file: No such file or directory");
  return std::make_unique<FaultFile>(*this, path, it->second, access == Access::kReadWrite);
}

std::unique_ptr<File> FaultEnv::Create(const std::string& path) {
  Step("create " + path);
  auto node = std::make_shared<Node>();
  live_[path] = node;
  unflushed_folder_.push_back({path, node});
  return std::make_unique<FaultFile>(*this, path, node, true);
}

bool FaultEnv::Exists(const std::string& path) { return live_.count(path) != 0; }

void FaultEnv::Remove(const std::string& path) {
  Step("remove " + path);
  live_.erase(path);
  unflushed_folder_.push_back({path, nullptr});
}

void FaultEnv::SyncFolderOf(const std::string& /*path*/) {
  Step("flush the folder");
  durable_ = live_;
  unflushed_folder_.clear();
}

}  // namespace jet::test
