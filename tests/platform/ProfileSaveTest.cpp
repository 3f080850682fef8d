// Safe saving on POSIX systems: refusals, permissions, the lock between
// concurrent savers, and a full disk in the middle of a save.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "TempFolder.h"
#include "winapi/FileSystem.h"
#include "winapi/ProfileApi.h"

namespace {

using tarvex::test::ReadBytes;
using tarvex::test::TempFolder;
using tarvex::test::WriteBytes;

const std::string kBefore = "; settings\n[DoorlockOption]\nDelayMinutes=5\n";

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

ino_t InodeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_ino;
}

bool Write(const std::string& file, const char* value = "15") {
  return winapi::WritePrivateProfileStringA("DoorlockOption", "DelayMinutes", value, file.c_str());
}

// Runs body in a child process and returns its exit code.
int RunInChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Holds an exclusive lock on a file, as another saver would.
class HeldLock {
 public:
  explicit HeldLock(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY)) {
    EXPECT_GE(fd_, 0);
    EXPECT_EQ(::flock(fd_, LOCK_EX), 0);
  }
  ~HeldLock() { Release(); }
  HeldLock(const HeldLock&) = delete;
  HeldLock& operator=(const HeldLock&) = delete;
  void Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

class ProfileSave : public ::testing::Test {
 protected:
  TempFolder folder_;
  std::string file_ = folder_.File("Option.ini");
};

// A file without any write permission bit is read-only for everyone, root
// included (CI runs as root); a file with one keeps its bits through a save.
struct ModeCase {
  mode_t mode;
  bool accepted;
};

void PrintTo(const ModeCase& c, std::ostream* os) { *os << std::oct << c.mode; }

class ProfileSaveMode : public ::testing::TestWithParam<ModeCase> {
 protected:
  TempFolder folder_;
};

TEST_P(ProfileSaveMode, RefusesReadOnlyFilesAndKeepsPermissions) {
  const ModeCase& c = GetParam();
  const std::string file = folder_.File("Option.ini");
  WriteBytes(file, kBefore);
  ASSERT_EQ(::chmod(file.c_str(), c.mode), 0);

  EXPECT_EQ(Write(file), c.accepted);
  EXPECT_EQ(ReadBytes(file), c.accepted ? "; settings\n[DoorlockOption]\nDelayMinutes=15\n" : kBefore);
  EXPECT_EQ(ModeOf(file), c.mode);
  EXPECT_EQ(folder_.Names(), std::set<std::string>{"Option.ini"});
}

INSTANTIATE_TEST_SUITE_P(Modes, ProfileSaveMode,
                         ::testing::Values(ModeCase{0444, false}, ModeCase{0400, false}, ModeCase{0000, false},
                                           ModeCase{0644, true}, ModeCase{0600, true}, ModeCase{0640, true},
                                           ModeCase{0664, true}, ModeCase{0606, true}));

TEST_F(ProfileSave, NewFileGetsTheUsualPermissions) {
  const mode_t mask = ::umask(022);
  EXPECT_TRUE(Write(file_));
  ::umask(mask);
  EXPECT_EQ(ModeOf(file_), 0644u);
}

TEST_F(ProfileSave, OwnerIsKeptWhenTheSaverMayKeepIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "only a privileged saver can keep another owner";
  WriteBytes(file_, kBefore);
  ASSERT_EQ(::chown(file_.c_str(), 1234, 5678), 0);
  EXPECT_TRUE(Write(file_));
  struct stat st {};
  ASSERT_EQ(::stat(file_.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 1234u);
  EXPECT_EQ(st.st_gid, 5678u);
}

TEST_F(ProfileSave, ReadOnlyFolderIsRefused) {
  const std::string sub = folder_.File("ro");
  ASSERT_TRUE(std::filesystem::create_directory(sub));
  const std::string existing = sub + "/Option.ini";
  WriteBytes(existing, kBefore);
  ASSERT_EQ(::chmod(sub.c_str(), 0555), 0);

  EXPECT_FALSE(Write(existing));
  EXPECT_FALSE(Write(sub + "/New.ini"));
  EXPECT_EQ(ReadBytes(existing), kBefore);
  EXPECT_FALSE(std::filesystem::exists(sub + "/New.ini"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sub), std::filesystem::directory_iterator()), 1);
}

TEST_F(ProfileSave, MissingFolderIsRefused) {
  EXPECT_FALSE(Write(folder_.File("missing/Option.ini")));
  EXPECT_TRUE(folder_.Names().empty());
}

TEST_F(ProfileSave, FolderAtThePathIsRefused) {
  ASSERT_TRUE(std::filesystem::create_directory(file_));
  EXPECT_FALSE(Write(file_));
  EXPECT_TRUE(std::filesystem::is_directory(file_));
}

TEST_F(ProfileSave, PipeAtThePathIsNeitherReadNorWritten) {
  ASSERT_EQ(::mkfifo(file_.c_str(), 0644), 0);
  char buffer[8];
  EXPECT_EQ(winapi::GetPrivateProfileStringA("S", "k", "d", buffer, sizeof buffer, file_.c_str()), 1u);
  EXPECT_FALSE(Write(file_));
}

// A save that runs out of space half-way (the file size limit stands in for a
// full disk) is refused and leaves the old file, or no file, and no temporary.
TEST_F(ProfileSave, FullDiskLeavesTheOldFile) {
  WriteBytes(file_, kBefore);
  const std::string longValue(4096, '9');
  const int code = RunInChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{256, 256};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const bool existingRefused = !Write(file_, longValue.c_str());
    const bool newRefused = !Write(folder_.File("New.ini"), longValue.c_str());
    return existingRefused && newRefused ? 0 : 1;
  });
  EXPECT_EQ(code, 0) << "a save that could not be written whole was not refused";
  EXPECT_EQ(ReadBytes(file_), kBefore);
  EXPECT_EQ(folder_.Names(), std::set<std::string>{"Option.ini"});
}

TEST_F(ProfileSave, ChangedFileIsReplacedUnchangedFileIsNotWritten) {
  WriteBytes(file_, kBefore);
  const ino_t original = InodeOf(file_);
  EXPECT_TRUE(Write(file_, "5"));
  EXPECT_EQ(InodeOf(file_), original);
  EXPECT_TRUE(Write(file_, "6"));
  EXPECT_NE(InodeOf(file_), original);
}

TEST_F(ProfileSave, SymbolicLinkIsSavedThrough) {
  const std::string target = folder_.File("real.ini");
  WriteBytes(target, kBefore);
  std::filesystem::create_symlink(target, file_);
  EXPECT_TRUE(Write(file_));
  EXPECT_TRUE(std::filesystem::is_symlink(file_));
  EXPECT_EQ(ReadBytes(target), "; settings\n[DoorlockOption]\nDelayMinutes=15\n");
}

TEST_F(ProfileSave, DanglingLinkIsRefused) {
  std::filesystem::create_symlink(folder_.File("nowhere.ini"), file_);
  EXPECT_FALSE(Write(file_));
  EXPECT_FALSE(std::filesystem::exists(folder_.File("nowhere.ini")));
}

// Another saver holding the file longer than the save will wait: refused,
// file unchanged, instead of waiting forever.
TEST_F(ProfileSave, LockHeldTooLongRefusesTheSave) {
  WriteBytes(file_, kBefore);
  HeldLock other(file_);
  EXPECT_FALSE(Write(file_));
  const bool edited = winapi::fs::EditFile(
      file_, [](const auto&) { return std::optional<std::string>("changed"); }, std::chrono::milliseconds(50));
  EXPECT_FALSE(edited);
  EXPECT_EQ(ReadBytes(file_), kBefore);
}

TEST_F(ProfileSave, LockReleasedInTimeLetsTheSaveThrough) {
  WriteBytes(file_, kBefore);
  HeldLock other(file_);
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    other.Release();
  });
  EXPECT_TRUE(Write(file_));
  releaser.join();
  EXPECT_EQ(ReadBytes(file_), "; settings\n[DoorlockOption]\nDelayMinutes=15\n");
}

TEST_F(ProfileSave, EditorSeesNoFileWhenThereIsNone) {
  bool sawNothing = false;
  EXPECT_TRUE(winapi::fs::EditFile(file_, [&](const std::optional<std::string>& current) {
    sawNothing = !current.has_value();
    return std::optional<std::string>();
  }));
  EXPECT_TRUE(sawNothing);
  EXPECT_FALSE(std::filesystem::exists(file_)) << "a save that changed nothing created the file";
}

// Saves from several processes at once, each adding its own keys to one file.
TEST_F(ProfileSave, ConcurrentSavesFromProcessesLoseNoKey) {
  constexpr int kProcesses = 4;
  constexpr int kKeysEach = 100;
  // The children wait at a closed-off pipe, so that they all start together.
  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(start[1]);
      char go;
      if (::read(start[0], &go, 1) != 0) ::_exit(2);
      int failed = 0;
      for (int k = 0; k < kKeysEach; ++k) {
        const std::string key = "P" + std::to_string(p) + "K" + std::to_string(k);
        const std::string value = std::to_string(p * 1000 + k);
        int attempt = 0;
        // A refused save is reported, not lost; try again as a user would.
        while (!winapi::WritePrivateProfileStringA("S", key.c_str(), value.c_str(), file_.c_str())) {
          if (++attempt == 20) {
            ++failed;
            break;
          }
        }
      }
      ::_exit(failed == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  ::close(start[0]);
  ::close(start[1]);
  for (const pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a child could not save";
  }

  const std::string text = ReadBytes(file_);
  for (int p = 0; p < kProcesses; ++p) {
    for (int k = 0; k < kKeysEach; ++k) {
      char buffer[16];
      const std::string key = "P" + std::to_string(p) + "K" + std::to_string(k);
      winapi::GetPrivateProfileStringA("S", key.c_str(), "missing", buffer, sizeof buffer, file_.c_str());
      EXPECT_EQ(std::string(buffer), std::to_string(p * 1000 + k)) << key;
    }
  }
  EXPECT_EQ(text.rfind("[S]\r\n", 0), 0u);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), kProcesses * kKeysEach + 1);
  EXPECT_EQ(folder_.Names(), std::set<std::string>{"Option.ini"});
}

}  // namespace
