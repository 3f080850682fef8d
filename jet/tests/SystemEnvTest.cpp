// The operating system's files as the engine sees them (EnvPosix.cpp or
// EnvWin32.cpp): the same promises on every system.

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <vector>

#include "TestSupport.h"
#include "jet/Env.h"
#include "jet/Error.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace jet {
namespace {

using test::TempDir;

Error::Code CodeOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.code();
  }
  ADD_FAILURE() << "no error";
  return Error::Code::kIo;
}

class SystemEnv : public ::testing::Test {
 protected:
  Env& env_ = *Env::Default();
  TempDir dir_;
  std::string file_ = (dir_.path() / "Client.mdb").string();

  void MakeFile(std::size_t size) { test::WriteFile(file_, std::vector<std::uint8_t>(size, 0x5A)); }
};

TEST_F(SystemEnv, ReadsAndWritesAtOffsets) {
  MakeFile(8192);
  auto file = env_.Open(file_, Access::kReadWrite);
  const std::array<std::uint8_t, 4> data{1, 2, 3, 4};
  file->Write(4094, data);  // across the page boundary
  file->Write(8192, data);  // past the end: the file grows
  file->Sync();
  EXPECT_EQ(file->Size(), 8196u);
  std::array<std::uint8_t, 6> back{};
  file->Read(4093, back);
  EXPECT_EQ(back, (std::array<std::uint8_t, 6>{0x5A, 1, 2, 3, 4, 0x5A}));
  const auto bytes = test::ReadFile(file_);
  ASSERT_EQ(bytes.size(), 8196u);
  EXPECT_EQ(bytes[8195], 4);
}

TEST_F(SystemEnv, ReadPastTheEndIsAnError) {
  MakeFile(100);
  auto file = env_.Open(file_, Access::kReadOnly);
  std::array<std::uint8_t, 8> out{};
  EXPECT_EQ(CodeOf([&] { file->Read(96, out); }), Error::Code::kIo);
}

TEST_F(SystemEnv, MissingFileAndFolderAreNotFound) {
  EXPECT_EQ(CodeOf([&] { env_.Open(file_, Access::kReadOnly); }), Error::Code::kNotFound);
  const std::string inMissing = (dir_.path() / "missing" / "Client.mdb").string();
  EXPECT_EQ(CodeOf([&] { env_.Open(inMissing, Access::kReadWrite); }), Error::Code::kNotFound);
  EXPECT_FALSE(env_.Exists(file_));
  EXPECT_FALSE(std::filesystem::exists(file_)) << "opening created the file";
}

TEST_F(SystemEnv, FolderIsNoFile) {
  std::filesystem::create_directory(file_);
  EXPECT_EQ(CodeOf([&] { env_.Open(file_, Access::kReadOnly); }), Error::Code::kIo);
}

TEST_F(SystemEnv, ReadOnlyFileRefusesWriting) {
#if !defined(_WIN32)
  if (::geteuid() == 0) GTEST_SKIP() << "the superuser may write any file";
#endif
  MakeFile(100);
  std::filesystem::permissions(file_, std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                          std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  EXPECT_EQ(CodeOf([&] { env_.Open(file_, Access::kReadWrite); }), Error::Code::kReadOnly);
  EXPECT_NO_THROW(env_.Open(file_, Access::kReadOnly));
  std::filesystem::permissions(file_, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
}

// The lock keeps other lockers out, but never readers: the card-issuing
// client must go on reading while a change is made.
TEST_F(SystemEnv, LockExcludesOtherLockersButNotReaders) {
  MakeFile(4096);
  auto first = env_.Open(file_, Access::kReadWrite);
  auto second = env_.Open(file_, Access::kReadWrite);
  ASSERT_TRUE(first->TryLock());
  EXPECT_FALSE(second->TryLock());
  std::array<std::uint8_t, 16> out{};
  EXPECT_NO_THROW(second->Read(0, out));
  EXPECT_NO_THROW(second->Write(4000, out));
  first->Unlock();
  EXPECT_TRUE(second->TryLock());
  second->Unlock();
}

TEST_F(SystemEnv, ClosingTheFileReleasesItsLock) {
  MakeFile(4096);
  auto first = env_.Open(file_, Access::kReadWrite);
  auto second = env_.Open(file_, Access::kReadWrite);
  ASSERT_TRUE(first->TryLock());
  first.reset();
  EXPECT_TRUE(second->TryLock());
  second->Unlock();
}

TEST_F(SystemEnv, RemoveDeletesAndToleratesAMissingFile) {
  MakeFile(10);
  EXPECT_TRUE(env_.Exists(file_));
  env_.Remove(file_);
  EXPECT_FALSE(env_.Exists(file_));
  EXPECT_NO_THROW(env_.Remove(file_));
}

TEST_F(SystemEnv, NamesOutsideAsciiAreUtf8) {
  const std::string name = dir_.path().string() + "/\xE5\xAE\xA2\xE6\x88\xB7.mdb";  // two Chinese characters
  test::WriteFile(std::filesystem::u8path(name), std::vector<std::uint8_t>(10, 1));
  EXPECT_TRUE(env_.Exists(name));
  auto file = env_.Open(name, Access::kReadOnly);
  EXPECT_EQ(file->Size(), 10u);
}

}  // namespace
}  // namespace jet
