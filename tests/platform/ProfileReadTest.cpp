// What our GetPrivateProfileStringA reads: the tables of ProfileReadCases.h,
// and the calls around them. Notes as there: [W] seen on Windows, [D]
// documented, [Wine] from Wine where Windows was not observed.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ProfileReadCases.h"
#include "TempFolder.h"
#include "winapi/ProfileApi.h"

namespace {

using namespace std::string_literals;
using tarvex::test::TempFolder;
using tarvex::test::WriteBytes;

using namespace tarvex::test::profile;

std::string Read(const std::string& file, const char* section, const char* key,
                 const char* def = kDefault, std::uint32_t size = 2048) {
  std::vector<char> buffer(size + 1, '#');
  const std::uint32_t count = winapi::GetPrivateProfileStringA(section, key, def, buffer.data(), size, file.c_str());
  std::string value(buffer.data(), count);
  EXPECT_EQ(buffer[count], '\0') << "value not ended with a NUL";
  return value;
}

class ProfileRead : public ::testing::TestWithParam<ReadCase> {
 protected:
  TempFolder folder_;
};

TEST_P(ProfileRead, ReadsWhatWindowsReads) {
  const ReadCase& c = GetParam();
  const std::string file = folder_.File("Option.ini");
  WriteBytes(file, c.ini);
  EXPECT_EQ(Read(file, c.section.c_str(), c.key.c_str()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ProfileRead, ::testing::ValuesIn(ReadCases()),
                         [](const ::testing::TestParamInfo<ReadCase>& row) { return row.param.id; });

class ProfileReadFile : public ::testing::Test {
 protected:
  TempFolder folder_;
  std::string file_ = folder_.File("Option.ini");
};

TEST_F(ProfileReadFile, MissingFileGivesDefaultAndIsNotCreated) {
  EXPECT_EQ(Read(file_, "S", "k"), kDefault);
  EXPECT_EQ(Read(file_, nullptr, "k"), "");
  EXPECT_EQ(Read(file_, "S", nullptr), kDefault);
  EXPECT_FALSE(std::filesystem::exists(file_));
  const std::string inMissingFolder = folder_.File("missing/Option.ini");
  EXPECT_EQ(Read(inMissingFolder, "S", "k"), kDefault);
  EXPECT_FALSE(std::filesystem::exists(folder_.File("missing")));
}

TEST_F(ProfileReadFile, FolderAtThePathGivesDefault) {
  std::filesystem::create_directory(file_);
  EXPECT_EQ(Read(file_, "S", "k"), kDefault);
}

TEST_F(ProfileReadFile, DefaultLosesTrailingSpacesOnly) {  // [W][D]
  EXPECT_EQ(Read(file_, "S", "k", "  d  "), "  d");
  EXPECT_EQ(Read(file_, "S", "k", "d\t"), "d\t");
  EXPECT_EQ(Read(file_, "S", "k", "   "), "");
  EXPECT_EQ(Read(file_, "S", "k", nullptr), "");
  EXPECT_EQ(Read(file_, "S", "k", "\"d\""), "\"d\"");  // quotes only come off file values
}

TEST_F(ProfileReadFile, NullFileNameGivesDefault) {
  char buffer[16];
  EXPECT_EQ(winapi::GetPrivateProfileStringA("S", "k", "d", buffer, sizeof buffer, nullptr), 1u);
  EXPECT_STREQ(buffer, "d");
}

class ProfileReadCut : public ::testing::TestWithParam<CutCase> {
 protected:
  TempFolder folder_;
};

TEST_P(ProfileReadCut, CutsToTheBuffer) {
  const CutCase& c = GetParam();
  const std::string file = folder_.File("Option.ini");
  WriteBytes(file, "[S]\r\nk=" + c.value + "\r\n");
  EXPECT_EQ(Read(file, "S", "k", kDefault, c.size), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ProfileReadCut, ::testing::ValuesIn(CutCases()));

TEST_F(ProfileReadFile, DefaultIsCutToo) {
  EXPECT_EQ(Read(file_, "S", "k", "default", 4), "def");
}

TEST_F(ProfileReadFile, ZeroSizeLeavesBufferAlone) {
  WriteBytes(file_, "[S]\r\nk=v\r\n");
  char buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(winapi::GetPrivateProfileStringA("S", "k", "d", buffer, 0, file_.c_str()), 0u);
  EXPECT_EQ(buffer[0], 'x');
}

class ProfileList : public ::testing::TestWithParam<ListCase> {
 protected:
  TempFolder folder_;
};

TEST_P(ProfileList, ListsNames) {
  const ListCase& c = GetParam();
  const std::string file = folder_.File("Option.ini");
  WriteBytes(file, c.ini);
  std::vector<char> buffer(c.size, '#');
  const std::uint32_t count = winapi::GetPrivateProfileStringA(
      c.sections ? nullptr : "S", nullptr, kDefault, buffer.data(), c.size, file.c_str());
  EXPECT_EQ(count, c.count);
  EXPECT_EQ(std::string(buffer.data(), c.expected.size()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ProfileList, ::testing::ValuesIn(ListCases()),
                         [](const ::testing::TestParamInfo<ListCase>& row) { return row.param.id; });

}  // namespace
