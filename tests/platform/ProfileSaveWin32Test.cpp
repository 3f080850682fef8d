// Safe saving on Windows: refusals, attributes, readers in the way of the
// rename, and savers in other threads and processes.

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "TempFolder.h"
#include "winapi/FileSystem.h"
#include "winapi/ProfileApi.h"

namespace {

using namespace std::chrono_literals;
using tarvex::test::ReadBytes;
using tarvex::test::TempFolder;
using tarvex::test::WriteBytes;

const std::string kBefore = "; settings\r\n[DoorlockOption]\r\nDelayMinutes=5\r\n";
const std::string kAfter = "; settings\r\n[DoorlockOption]\r\nDelayMinutes=15\r\n";

std::wstring Wide(const std::string& path) { return std::filesystem::u8path(path).wstring(); }

bool Write(const std::string& file, const char* value = "15") {
  return winapi::WritePrivateProfileStringA("DoorlockOption", "DelayMinutes", value, file.c_str());
}

DWORD AttributesOf(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()); }

std::uint64_t FileIdOf(const std::string& path) {
  HANDLE h = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  BY_HANDLE_FILE_INFORMATION info{};
  GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  return (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
}

// Another program with the file open, as a reader or a virus scanner would.
class OpenElsewhere {
 public:
  OpenElsewhere(const std::string& path, DWORD share)
      : h_(CreateFileW(Wide(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr)) {
    EXPECT_NE(h_, INVALID_HANDLE_VALUE);
  }
  ~OpenElsewhere() { Close(); }
  OpenElsewhere(const OpenElsewhere&) = delete;
  OpenElsewhere& operator=(const OpenElsewhere&) = delete;
  void Close() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE h_;
};

class ProfileSave : public ::testing::Test {
 protected:
  TempFolder folder_;
  std::string file_ = folder_.File("Option.ini");
};

// The read-only attribute refuses every save; the others stay through one.
struct AttributeCase {
  DWORD attributes;
  bool accepted;
};

void PrintTo(const AttributeCase& c, std::ostream* os) { *os << "attributes 0x" << std::hex << c.attributes; }

class ProfileSaveAttributes : public ::testing::TestWithParam<AttributeCase> {
 protected:
  TempFolder folder_;
};

TEST_P(ProfileSaveAttributes, RefusesReadOnlyFilesAndKeepsAttributes) {
  const AttributeCase& c = GetParam();
  const std::string file = folder_.File("Option.ini");
  WriteBytes(file, kBefore);
  ASSERT_TRUE(SetFileAttributesW(Wide(file).c_str(), c.attributes));
  const DWORD before = AttributesOf(file);

  EXPECT_EQ(Write(file), c.accepted);
  EXPECT_EQ(ReadBytes(file), c.accepted ? kAfter : kBefore);
  EXPECT_EQ(AttributesOf(file), before);
  SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(folder_.Names(), std::set<std::string>{"Option.ini"});
}

INSTANTIATE_TEST_SUITE_P(
    Attributes, ProfileSaveAttributes,
    ::testing::Values(AttributeCase{FILE_ATTRIBUTE_READONLY, false},
                      AttributeCase{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, false},
                      AttributeCase{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, false},
                      AttributeCase{FILE_ATTRIBUTE_NORMAL, true}, AttributeCase{FILE_ATTRIBUTE_ARCHIVE, true},
                      AttributeCase{FILE_ATTRIBUTE_HIDDEN, true},
                      AttributeCase{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE, true}));

TEST_F(ProfileSave, MissingFolderIsRefused) {
  EXPECT_FALSE(Write(folder_.File("missing/Option.ini")));
  EXPECT_TRUE(folder_.Names().empty());
}

TEST_F(ProfileSave, FolderAtThePathIsRefused) {
  ASSERT_TRUE(std::filesystem::create_directory(file_));
  EXPECT_FALSE(Write(file_));
  EXPECT_TRUE(std::filesystem::is_directory(file_));
}

TEST_F(ProfileSave, ChangedFileIsReplacedUnchangedFileIsNotWritten) {
  WriteBytes(file_, kBefore);
  const std::uint64_t original = FileIdOf(file_);
  EXPECT_TRUE(Write(file_, "5"));
  EXPECT_EQ(FileIdOf(file_), original);
  EXPECT_TRUE(Write(file_, "6"));
  EXPECT_NE(FileIdOf(file_), original);
}

TEST_F(ProfileSave, PathOutsideTheCodePageIsTakenAsUtf8) {
  const std::string folder = folder_.File("\xE8\xAE\xBE\xE7\xBD\xAE");  // UTF-8 for two Chinese characters
  ASSERT_TRUE(CreateDirectoryW(Wide(folder).c_str(), nullptr));
  const std::string file = folder + "\\Option.ini";
  EXPECT_TRUE(Write(file));
  char buffer[8];
  EXPECT_EQ(winapi::GetPrivateProfileStringA("DoorlockOption", "DelayMinutes", "", buffer, sizeof buffer,
                                             file.c_str()),
            2u);
  EXPECT_STREQ(buffer, "15");
  EXPECT_NE(GetFileAttributesW((std::filesystem::u8path(folder) / L"Option.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ProfileSave, LinkIsSavedThrough) {
  const std::string target = folder_.File("real.ini");
  WriteBytes(target, kBefore);
  CreateSymbolicLinkW(Wide(file_).c_str(), Wide(target).c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  // Without developer mode or the privilege no link is made; Wine 8 says it
  // made one and makes nothing.
  if (AttributesOf(file_) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no symbolic link could be made here";
  EXPECT_TRUE(Write(file_));
  EXPECT_NE(AttributesOf(file_) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
  EXPECT_EQ(ReadBytes(target), kAfter);
}

// A reader that has the file open for a moment only delays the rename.
TEST_F(ProfileSave, ReaderInTheWayForAMomentDelaysTheSave) {
  WriteBytes(file_, kBefore);
  OpenElsewhere reader(file_, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  std::thread closer([&] {
    std::this_thread::sleep_for(200ms);
    reader.Close();
  });
  EXPECT_TRUE(Write(file_));
  closer.join();
  EXPECT_EQ(ReadBytes(file_), kAfter);
  EXPECT_EQ(folder_.Names(), std::set<std::string>{"Option.ini"});
}

// One that keeps it open past the wait: refused, file unchanged, no temporary left.
TEST_F(ProfileSave, ReaderInTheWayTooLongRefusesTheSave) {
  WriteBytes(file_, kBefore);
  OpenElsewhere reader(file_, FILE_SHARE_READ);
  const bool edited = winapi::fs::EditFile(
      file_, [](const auto&) { return std::optional<std::string>("changed"); }, 100ms);
  EXPECT_FALSE(edited);
  reader.Close();
  EXPECT_EQ(ReadBytes(file_), kBefore);
  EXPECT_EQ(folder_.Names(), std::set<std::string>{"Option.ini"});
}

// Another save of the same file in progress longer than the wait: refused.
TEST_F(ProfileSave, SaveInProgressTooLongRefusesTheSave) {
  WriteBytes(file_, kBefore);
  std::atomic<bool> inside{false};
  std::atomic<bool> release{false};
  std::thread other([&] {
    winapi::fs::EditFile(file_, [&](const std::optional<std::string>& current) {
      inside = true;
      while (!release) std::this_thread::sleep_for(1ms);
      return std::optional<std::string>(*current + "; other\r\n");
    });
  });
  while (!inside) std::this_thread::sleep_for(1ms);
  const bool edited = winapi::fs::EditFile(
      file_, [](const auto&) { return std::optional<std::string>("changed"); }, 50ms);
  release = true;
  other.join();
  EXPECT_FALSE(edited);
  EXPECT_EQ(ReadBytes(file_), kBefore + "; other\r\n");
}

TEST_F(ProfileSave, SaveFinishedInTimeLetsTheNextThrough) {
  WriteBytes(file_, kBefore);
  std::atomic<bool> inside{false};
  std::thread other([&] {
    winapi::fs::EditFile(file_, [&](const std::optional<std::string>& current) {
      inside = true;
      std::this_thread::sleep_for(200ms);
      return std::optional<std::string>(*current + "; other\r\n");
    });
  });
  while (!inside) std::this_thread::sleep_for(1ms);
  EXPECT_TRUE(Write(file_));
  other.join();
  EXPECT_EQ(ReadBytes(file_), kAfter + "; other\r\n");
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

// Saves from several processes at once, each adding its own keys to one file:
// the test program starts copies of itself that run only the child test below.
constexpr int kProcesses = 4;
constexpr int kKeysEach = 50;
constexpr const char* kChildFile = "TARVEX_SAVE_CHILD_FILE";
constexpr const char* kChildIndex = "TARVEX_SAVE_CHILD_INDEX";

TEST(ProfileSaveChild, AddsItsKeys) {
  const char* file = std::getenv(kChildFile);
  const char* index = std::getenv(kChildIndex);
  if (file == nullptr || index == nullptr) GTEST_SKIP() << "runs only as a child of ConcurrentSavesFromProcesses";
  for (int k = 0; k < kKeysEach; ++k) {
    const std::string key = std::string("P") + index + "K" + std::to_string(k);
    ASSERT_TRUE(winapi::WritePrivateProfileStringA("S", key.c_str(), key.c_str(), file)) << key;
  }
}

TEST_F(ProfileSave, ConcurrentSavesFromProcessesLoseNoKey) {
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  SetEnvironmentVariableA(kChildFile, file_.c_str());
  // The children's reports go nowhere; their exit codes tell.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const HANDLE nowhere = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                     OPEN_EXISTING, 0, nullptr);
  std::vector<PROCESS_INFORMATION> children;
  for (int p = 0; p < kProcesses; ++p) {
    SetEnvironmentVariableA(kChildIndex, std::to_string(p).c_str());
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=ProfileSaveChild.* --gtest_brief=1";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = nowhere;
    startup.hStdError = nowhere;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                               &child));
    children.push_back(child);
  }
  CloseHandle(nowhere);
  SetEnvironmentVariableA(kChildFile, nullptr);
  SetEnvironmentVariableA(kChildIndex, nullptr);
  for (const PROCESS_INFORMATION& child : children) {
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 120000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    EXPECT_EQ(code, 0u) << "a child could not save";
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
  }
  for (int p = 0; p < kProcesses; ++p) {
    for (int k = 0; k < kKeysEach; ++k) {
      const std::string key = "P" + std::to_string(p) + "K" + std::to_string(k);
      char buffer[16];
      winapi::GetPrivateProfileStringA("S", key.c_str(), "missing", buffer, sizeof buffer, file_.c_str());
      EXPECT_EQ(std::string(buffer), key);
    }
  }
  EXPECT_EQ(folder_.Names(), std::set<std::string>{"Option.ini"});
}

}  // namespace
