// Real processes on real files: a clear killed with SIGKILL at each of its
// steps and from outside, and processes that want the file while another
// changes it. The next open (here by tarvex-jet) must find the database as
// it was or cleared, and a program that cannot have the file must say so at
// once instead of waiting.

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <thread>

#include "Journal.h"
#include "TestSupport.h"
#include "jet/Database.h"

extern char** environ;

namespace jet {
namespace {

using test::fs::path;

constexpr char kFixture[] = "overflowTestV2000.mdb";
constexpr char kTable[] = "Table1";
constexpr char kClear[] = "DELETE FROM Table1";

// A child process whose stdout is read line by line while it runs.
class Child {
 public:
  explicit Child(const std::vector<std::string>& argv) {
    std::array<int, 2> out{};
    if (::pipe(out.data()) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int rc = ::posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
    out_ = ::fdopen(out[0], "r");
  }
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
    if (out_ != nullptr) ::fclose(out_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // The next line without its break; empty at the end of the output.
  std::string ReadLine() {
    std::array<char, 4096> line{};
    if (std::fgets(line.data(), line.size(), out_) == nullptr) return {};
    std::string text(line.data());
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }
  bool Running() const { return ::waitpid(pid_, nullptr, WNOHANG) == 0; }
  void Kill() const { ::kill(pid_, SIGKILL); }
  // Exit code, or 128 + the signal that ended it.
  int Wait() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
};

class ProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    if (test::FixtureDir().empty()) GTEST_SKIP() << "../shared/fixtures/access is absent";
    original_ = test::ReadFile(test::FixtureDir() / kFixture);
    db_ = dir_.CopyFixture(kFixture);
  }

  void Fresh() { test::WriteFile(db_, original_); }

  std::vector<std::string> ChildArgs(std::uint64_t stop, int pause_ms = 0) const {
    std::vector<std::string> argv{TARVEX_JET_CRASH_CHILD, db_.string(), kClear, std::to_string(stop)};
    if (pause_ms > 0) argv.push_back(std::to_string(pause_ms));
    return argv;
  }

  // Opens the database with another process, which undoes what a killed one
  // left, and checks the file with mdbtools too when present.
  bool ExpectWhole(const std::vector<std::uint8_t>& cleared, const std::string& trace) {
    SCOPED_TRACE(trace);
    const auto info = test::Run({TARVEX_JET_TOOL, "info", db_.string()});
    EXPECT_EQ(info.exit_code, 0) << info.err;
    const auto bytes = test::ReadFile(db_);
    const bool original = bytes == original_;
    EXPECT_TRUE(original || bytes == cleared) << "neither as it was nor cleared";
    EXPECT_FALSE(test::fs::exists(JournalPath(db_.string())));
    if (test::HaveMdbTools()) {
      const auto rows = test::CountExportedRows(test::MdbExport(db_, kTable));
      EXPECT_EQ(rows, original ? 7u : 0u);
    }
    return original;
  }

  std::vector<std::uint8_t> ClearedReference() {
    Fresh();
    auto run = test::Run(ChildArgs(~std::uint64_t{0}));
    EXPECT_EQ(run.exit_code, 0) << run.err;
    steps_ = std::stoull(run.out.substr(run.out.find("steps ") + 6));
    return test::ReadFile(db_);
  }

  test::TempDir dir_;
  std::vector<std::uint8_t> original_;
  path db_;
  std::uint64_t steps_ = 0;
};

TEST_F(ProcessTest, KilledAtEveryStepTheNextOpenFindsTheFileWhole) {
  const auto cleared = ClearedReference();
  ASSERT_NE(cleared, original_);
  ASSERT_GT(steps_, 5u);
  std::size_t rolled_back = 0;
  for (std::uint64_t stop = 0; stop < steps_; ++stop) {
    Fresh();
    const auto run = test::Run(ChildArgs(stop));
    ASSERT_EQ(run.exit_code, 128 + SIGKILL) << "step " << stop << ": " << run.err;
    rolled_back += ExpectWhole(cleared, "killed before step " + std::to_string(stop)) ? 1u : 0u;
  }
  std::cout << steps_ << " kill points: " << rolled_back << " rolled back, " << steps_ - rolled_back
            << " found cleared\n";
}

TEST_F(ProcessTest, KilledFromOutsideWhileWritingTheDatabase) {
  const auto cleared = ClearedReference();
  Fresh();
  Child child(ChildArgs(~std::uint64_t{0}, 200));
  // Stopped dead while it waits before its second write to the database:
  // the first is done, the rest not.
  const std::string wanted = std::string(": write ") + db_.string();
  int seen = 0;
  for (std::string line = child.ReadLine(); !line.empty() && seen < 2; line = child.ReadLine()) {
    if (line.find(wanted) != std::string::npos && ++seen == 2) break;
  }
  ASSERT_EQ(seen, 2);
  child.Kill();
  EXPECT_EQ(child.Wait(), 128 + SIGKILL);
  EXPECT_TRUE(test::fs::exists(JournalPath(db_.string())));
  EXPECT_TRUE(ExpectWhole(cleared, "killed from outside"));
}

TEST_F(ProcessTest, AChangeInProgressTurnsOtherProcessesAwayAtOnce) {
  Fresh();
  // Slow enough that the others run while it holds the file.
  Child child(ChildArgs(~std::uint64_t{0}, 500));
  ASSERT_NE(child.ReadLine().find("step 0"), std::string::npos);
  const auto clear = test::Run({TARVEX_JET_TOOL, "exec", db_.string(), kClear});
  const auto info = test::Run({TARVEX_JET_TOOL, "info", db_.string()});
  EXPECT_TRUE(child.Running()) << "the others waited for the change to end";
  EXPECT_EQ(clear.exit_code, 1);
  EXPECT_NE(clear.err.find("in use by another program"), std::string::npos) << clear.err;
  EXPECT_EQ(info.exit_code, 1);
  EXPECT_NE(info.err.find("in use by another program"), std::string::npos) << info.err;
  while (!child.ReadLine().empty()) {
  }
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_EQ(test::Run({TARVEX_JET_TOOL, "exec", db_.string(), kClear}).out, "0\n");
}

TEST_F(ProcessTest, TwoToolsClearingTogetherLeaveOneClear) {
  const auto cleared = ClearedReference();
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    Fresh();
    test::RunResult results[2];
    std::thread other([&] { results[1] = test::Run({TARVEX_JET_TOOL, "exec", db_.string(), kClear}); });
    results[0] = test::Run({TARVEX_JET_TOOL, "exec", db_.string(), kClear});
    other.join();
    int cleared_by = 0;
    for (const auto& r : results) {
      if (r.exit_code == 0) {
        EXPECT_TRUE(r.out == "7\n" || r.out == "0\n") << r.out;
        cleared_by += r.out == "7\n" ? 1 : 0;
      } else {
        EXPECT_NE(r.err.find("in use by another program"), std::string::npos) << r.err;
      }
    }
    EXPECT_EQ(cleared_by, 1);
    EXPECT_EQ(test::ReadFile(db_), cleared);
  }
}

// The program keeps its connection for its whole run; another process may
// clear the table meanwhile, and the connection sees it.
TEST_F(ProcessTest, ALongLivedConnectionSeesAnotherProcessesClear) {
  Fresh();
  auto db = Database::Open(db_.string());
  const auto other = test::Run({TARVEX_JET_TOOL, "exec", db_.string(), kClear});
  EXPECT_EQ(other.out, "7\n") << other.err;
  EXPECT_EQ(db->Execute(kClear), 0);
  EXPECT_EQ(db->Info().tables.size(), Database::Open(db_.string())->Info().tables.size());
}

}  // namespace
}  // namespace jet
