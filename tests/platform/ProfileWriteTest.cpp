// The bytes our WritePrivateProfileStringA leaves in a file: the table of
// ProfileWriteCases.h, and the calls around it. Notes as there: [W] seen on
// Windows, [D] documented, [Wine] from Wine where Windows was not observed.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ProfileWriteCases.h"
#include "TempFolder.h"
#include "winapi/ProfileApi.h"

namespace {

using namespace std::string_literals;
using tarvex::test::ReadBytes;
using tarvex::test::TempFolder;
using tarvex::test::WriteBytes;

using namespace tarvex::test::profile;

std::optional<std::string> Contents(const std::string& file) {
  if (!std::filesystem::exists(file)) return std::nullopt;
  return ReadBytes(file);
}

class ProfileWrite : public ::testing::TestWithParam<WriteCase> {
 protected:
  TempFolder folder_;
};

TEST_P(ProfileWrite, LeavesExactlyTheseBytes) {
  const WriteCase& c = GetParam();
  const std::string file = folder_.File("Option.ini");
  if (c.before) WriteBytes(file, *c.before);
  EXPECT_TRUE(winapi::WritePrivateProfileStringA(c.section, c.key, c.value, file.c_str()));
  EXPECT_EQ(Contents(file), c.after);
  EXPECT_EQ(folder_.Names().size(), c.after ? 1u : 0u) << "a temporary file was left behind";
}

INSTANTIATE_TEST_SUITE_P(Table, ProfileWrite, ::testing::ValuesIn(WriteCases()),
                         [](const ::testing::TestParamInfo<WriteCase>& row) { return row.param.id; });

// Keys written one after another, as Windows orders them [W].
TEST(ProfileWriteSequence, NewKeysFollowInWritingOrder) {
  TempFolder folder;
  const std::string file = folder.File("Option.ini");
  WriteBytes(file, "[S]\r\nb=value\r\na=value\r\n");
  for (const char* key : {"z", "b", "y", "a"}) {
    ASSERT_TRUE(winapi::WritePrivateProfileStringA("S", key, "", file.c_str()));
  }
  EXPECT_EQ(ReadBytes(file), "[S]\r\nb=\r\na=\r\nz=\r\ny=\r\n");
}

TEST(ProfileWriteSequence, KeysNamedLikeCommentsGoAfterTheKeys) {
  TempFolder folder;
  const std::string file = folder.File("Option.ini");
  WriteBytes(file, "");
  for (const char* key : {"z", ";y", "a", ";b", ";c"}) {
    ASSERT_TRUE(winapi::WritePrivateProfileStringA("S", key, "", file.c_str()));
  }
  EXPECT_EQ(ReadBytes(file), "[S]\r\nz=\r\na=\r\n;c=\r\n;b=\r\n;y=\r\n");
}

TEST(ProfileWriteSequence, WhatIsWrittenIsRead) {
  TempFolder folder;
  const std::string file = folder.File("Option.ini");
  ASSERT_TRUE(winapi::WritePrivateProfileStringA("S", "k", "-15", file.c_str()));
  ASSERT_TRUE(winapi::WritePrivateProfileStringA("T", "k", "\xC9\xE8", file.c_str()));
  char buffer[32];
  EXPECT_EQ(winapi::GetPrivateProfileStringA("s", "K", "", buffer, sizeof buffer, file.c_str()), 3u);
  EXPECT_STREQ(buffer, "-15");
  EXPECT_EQ(winapi::GetPrivateProfileStringA("T", "k", "", buffer, sizeof buffer, file.c_str()), 2u);
  EXPECT_STREQ(buffer, "\xC9\xE8");
}

// The calls that write nothing.
TEST(ProfileWriteArguments, FlushSucceedsAndTouchesNothing) {
  TempFolder folder;
  const std::string file = folder.File("Option.ini");
  EXPECT_TRUE(winapi::WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str()));
  EXPECT_TRUE(winapi::WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr));
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(ProfileWriteArguments, NullSectionIsRefusedAndCreatesNothing) {  // [W]
  TempFolder folder;
  const std::string file = folder.File("Option.ini");
  EXPECT_FALSE(winapi::WritePrivateProfileStringA(nullptr, "k", "v", file.c_str()));
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(ProfileWriteArguments, NullOrEmptyFileNameIsRefused) {
  EXPECT_FALSE(winapi::WritePrivateProfileStringA("S", "k", "v", nullptr));
  EXPECT_FALSE(winapi::WritePrivateProfileStringA("S", "k", "v", ""));
}

}  // namespace
