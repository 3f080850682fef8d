// Our profile functions side by side with the system's own, on Windows (or
// under Wine): every reading and writing case runs through both, and both must
// give the same values and leave the same bytes. This is the check that our
// stand-in reads and writes what Windows does.
//
// Where Wine itself is known to behave otherwise than Windows, the row is
// listed below with Wine's result and the reason. Under Wine such a row checks
// that Wine still gives that result (and ours the Windows one); on Windows
// every row must agree. Rows where we follow Wine rather than Windows on
// purpose are listed too, for Windows.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ProfileReadCases.h"
#include "ProfileWriteCases.h"
#include "TempFolder.h"
#include "winapi/ProfileApi.h"

namespace {

using namespace std::string_literals;
using namespace tarvex::test::profile;
using tarvex::test::ReadBytes;
using tarvex::test::TempFolder;
using tarvex::test::WriteBytes;

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

enum class Where { kWine, kWindows };
enum class Habit {
  kOtherResult,    // the system gives `theirs`
  kRewritesFile,  // the system writes the same keys but rewrites the whole file (see WineRewrite)
};

struct KnownDifference {
  std::string id;
  Where where;
  Habit habit;
  std::optional<std::string> theirs;  // what the system reads or leaves in the file; nothing: no file
  std::string why;
};

// Wine 8.0 against the tables. Its conformance tests run on Windows mark most
// of these as failing in Wine ("todo_wine"), so they are Wine's, not ours.
const std::vector<KnownDifference>& KnownReadDifferences() {
  static const std::vector<KnownDifference> list{
      {"TabInSectionParameter", Where::kWine, Habit::kOtherResult, "v",
       "Wine trims tabs from the names passed in; Windows trims only spaces"},
      {"TabInKeyParameter", Where::kWine, Habit::kOtherResult, "v",
       "Wine trims tabs from the names passed in; Windows trims only spaces"},
      {"CommentNotReadWithSemicolon", Where::kWine, Habit::kOtherResult, "1",
       "Wine keeps ';' lines as keys, so \";k\" finds them; to Windows a comment is never a key"},
      {"KeyBeforeAnySection", Where::kWine, Habit::kOtherResult, "1",
       "Wine reads the keys before the first section as section \"\"; Windows reads them in no section"},
      {"EmptySectionName", Where::kWine, Habit::kOtherResult, kDefault,
       "Wine does not take \"[]\" for a section; Windows does"},
      {"NameEndsAtFirstBracket", Where::kWine, Habit::kOtherResult, kDefault,
       "Wine runs a section name to the last ']'; Windows to the first"},
      {"BracketCannotBeInName", Where::kWine, Habit::kOtherResult, "1",
       "Wine runs a section name to the last ']'; Windows to the first"},
      {"MissingClosingBracket", Where::kWine, Habit::kOtherResult, kDefault,
       "Wine wants the closing ']'; Windows takes the line for a section without it"},
      {"Utf8MarkHidesFirstSection", Where::kWine, Habit::kOtherResult, "1",
       "Wine understands a UTF-8 byte order mark; to Windows' ANSI functions it spoils the first line"},
  };
  return list;
}

const std::vector<KnownDifference>& KnownWriteDifferences() {
  static const std::string kRewrite =
      "Wine writes the whole file anew from what it parsed: CRLF on every line, blank lines dropped, "
      "blanks around names and '=' dropped; Windows changes only the target line";
  static const std::vector<KnownDifference> list{
      {"ReplaceKeepsEverythingElse", Where::kWine, Habit::kRewritesFile, {}, kRewrite},
      {"ReplaceOnCrLine", Where::kWine, Habit::kRewritesFile, {}, kRewrite},
      {"NewKeyBeforeBlankLines", Where::kWine, Habit::kRewritesFile, {}, kRewrite},
      {"NewKeyInLfFile", Where::kWine, Habit::kRewritesFile, {}, kRewrite},
      {"NewSectionAfterBlankLines", Where::kWine, Habit::kRewritesFile, {}, kRewrite},
      {"NewSectionAfterLf", Where::kWine, Habit::kRewritesFile, {}, kRewrite},
      {"DeleteSectionWithKeys", Where::kWine, Habit::kRewritesFile, {}, kRewrite},
      {"ValueAsGiven", Where::kWine, Habit::kOtherResult, "[S]\r\nk=v\t\r\n",
       "Wine drops the blanks in front of a value written; Windows writes the value as given"},
      {"NamesLoseSpaces", Where::kWine, Habit::kOtherResult, "[S ]\r\nk =v\r\n",
       "Wine trims only leading spaces from the names written; Windows both sides"},
      {"NewKeyBeforeClosingComment", Where::kWine, Habit::kOtherResult, "[S]\r\na=1\r\n; about T\r\nc=3\r\n[T]\r\n",
       "Wine adds a new key after the section's comments (they are keys to it); Windows after its last key"},
      {"NewKeyAfterHeaderWhenNoKeys", Where::kWine, Habit::kOtherResult, "[S]\r\n; note\r\nc=3\r\n[T]\r\n",
       "Wine adds a new key after the section's comments (they are keys to it); Windows after its last key"},
      {"CommentIsNoKeyToReplace", Where::kWine, Habit::kOtherResult, "[S]\r\n;k=1\r\nk=2\r\n",
       "Wine adds a new key after the section's comments (they are keys to it); Windows after its last key"},
      {"EmptySectionName", Where::kWine, Habit::kOtherResult, "k=v\r\n",
       "Wine writes section \"\" as the part before the first section; Windows writes a \"[]\" section"},
      {"NulBytesKept", Where::kWine, Habit::kOtherResult, "Data \r\n[S]\r\nk=2\r\n",
       "Wine loses the rest of a line after a NUL byte; Windows keeps every byte"},
      {"CommentNotDeleted", Where::kWine, Habit::kOtherResult, "[S]\r\n",
       "Wine keeps ';' lines as keys, so deleting \";k\" deletes the comment; Windows never takes it for a key"},
      {"DeleteSectionKeepsComments", Where::kWine, Habit::kOtherResult, ";c0\r\n[T]\r\n;c2\r\n",
       "Wine deletes a section's comments with it; Windows keeps them"},
      // Windows' own behaviour, seen by Wine's conformance tests; we follow Wine.
      {"DeleteKeyOfMissingFile", Where::kWindows, Habit::kOtherResult, "",
       "Windows creates an empty file when deleting from a missing one; we create nothing, as Wine"},
      {"DeleteSectionOfMissingFile", Where::kWindows, Habit::kOtherResult, "",
       "Windows creates an empty file when deleting from a missing one; we create nothing, as Wine"},
  };
  return list;
}

const KnownDifference* Find(const std::vector<KnownDifference>& list, const std::string& id) {
  const Where here = UnderWine() ? Where::kWine : Where::kWindows;
  for (const KnownDifference& d : list) {
    if (d.id == id && d.where == here) return &d;
  }
  return nullptr;
}

// What Wine makes of a file when it saves it: each line again, ended by CRLF,
// without blank lines and without blanks around names and '='.
std::string WineRewrite(std::string_view text) {
  constexpr std::string_view kBlanks = " \t";
  auto trim = [&](std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return std::string_view();
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
  };
  std::string out;
  while (!text.empty()) {
    const auto end = text.find_first_of("\r\n");
    std::string_view line = trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end);
    if (text.starts_with("\r\n")) text.remove_prefix(2);
    else if (!text.empty()) text.remove_prefix(1);
    if (line.empty()) continue;
    const auto equals = line.find('=');
    if (line.front() != '[' && line.front() != ';' && equals != std::string_view::npos) {
      out.append(trim(line.substr(0, equals))).append("=").append(trim(line.substr(equals + 1)));
    } else {
      out.append(line);
    }
    out.append("\r\n");
  }
  return out;
}

std::optional<std::string> Contents(const std::string& file) {
  if (!std::filesystem::exists(file)) return std::nullopt;
  return ReadBytes(file);
}

// The value read and its count, through ours or the system's function.
struct Reading {
  std::uint32_t count;
  std::string bytes;  // the buffer up to the count, and the NUL after it
};

Reading ReadOurs(const char* section, const char* key, const char* def, std::uint32_t size, const std::string& file) {
  std::vector<char> buffer(size + 2, '#');
  const std::uint32_t count = winapi::GetPrivateProfileStringA(section, key, def, buffer.data(), size, file.c_str());
  return {count, std::string(buffer.data(), std::min<std::size_t>(count + 1, buffer.size()))};
}

Reading ReadTheirs(const char* section, const char* key, const char* def, std::uint32_t size,
                   const std::string& file) {
  std::vector<char> buffer(size + 2, '#');
  const DWORD count = ::GetPrivateProfileStringA(section, key, def, buffer.data(), size, file.c_str());
  return {count, std::string(buffer.data(), std::min<std::size_t>(count + 1, buffer.size()))};
}

std::string Value(const Reading& r) { return r.bytes.substr(0, r.count); }

class SideBySideRead : public ::testing::TestWithParam<ReadCase> {
 protected:
  TempFolder folder_;
};

TEST_P(SideBySideRead, ReadsWhatTheSystemReads) {
  const ReadCase& c = GetParam();
  const std::string file = folder_.File("Option.ini");
  WriteBytes(file, c.ini);
  const Reading ours = ReadOurs(c.section.c_str(), c.key.c_str(), kDefault, 2048, file);
  const Reading theirs = ReadTheirs(c.section.c_str(), c.key.c_str(), kDefault, 2048, file);
  EXPECT_EQ(Value(ours), c.expected);
  if (const KnownDifference* known = Find(KnownReadDifferences(), c.id)) {
    EXPECT_EQ(Value(theirs), *known->theirs) << "the system no longer differs as noted: " << known->why;
    RecordProperty("known_difference", known->why);
    return;
  }
  EXPECT_EQ(Value(theirs), Value(ours));
  EXPECT_EQ(theirs.count, ours.count);
}

INSTANTIATE_TEST_SUITE_P(Table, SideBySideRead, ::testing::ValuesIn(ReadCases()),
                         [](const ::testing::TestParamInfo<ReadCase>& row) { return row.param.id; });

class SideBySideCut : public ::testing::TestWithParam<CutCase> {
 protected:
  TempFolder folder_;
};

TEST_P(SideBySideCut, CutsAsTheSystemCuts) {
  const CutCase& c = GetParam();
  const std::string file = folder_.File("Option.ini");
  WriteBytes(file, "[S]\r\nk=" + c.value + "\r\n");
  const Reading ours = ReadOurs("S", "k", kDefault, c.size, file);
  const Reading theirs = ReadTheirs("S", "k", kDefault, c.size, file);
  EXPECT_EQ(Value(ours), c.expected);
  if (UnderWine() && c.value == "\"abc\"" && c.size == 4) {
    // Wine cuts first and then takes a quote off, losing a character too many.
    EXPECT_EQ(Value(theirs), "ab");
    return;
  }
  EXPECT_EQ(theirs.bytes, ours.bytes);
  EXPECT_EQ(theirs.count, ours.count);
}

INSTANTIATE_TEST_SUITE_P(Table, SideBySideCut, ::testing::ValuesIn(CutCases()));

class SideBySideList : public ::testing::TestWithParam<ListCase> {
 protected:
  TempFolder folder_;
};

TEST_P(SideBySideList, ListsAsTheSystemLists) {
  const ListCase& c = GetParam();
  const std::string file = folder_.File("Option.ini");
  WriteBytes(file, c.ini);
  const char* section = c.sections ? nullptr : "S";
  std::vector<char> ours(c.size, '#');
  std::vector<char> theirs(c.size, '#');
  const std::uint32_t ourCount =
      winapi::GetPrivateProfileStringA(section, nullptr, kDefault, ours.data(), c.size, file.c_str());
  const DWORD theirCount = ::GetPrivateProfileStringA(section, nullptr, kDefault, theirs.data(), c.size, file.c_str());
  EXPECT_EQ(theirCount, ourCount);
  EXPECT_EQ(std::string(ours.data(), c.expected.size()), c.expected);
  const std::set<std::string> cut{"SectionsFillBuffer", "SectionsCut", "SectionsCutEarly", "KeysCut"};
  if (UnderWine() && cut.contains(c.id)) {
    // Wine ends a cut list with one NUL, Windows with two; the names and the
    // count agree.
    EXPECT_EQ(std::string(theirs.data(), c.count + 1), std::string(ours.data(), c.count + 1));
    return;
  }
  EXPECT_EQ(std::string(theirs.data(), c.expected.size()), std::string(ours.data(), c.expected.size()));
}

INSTANTIATE_TEST_SUITE_P(Table, SideBySideList, ::testing::ValuesIn(ListCases()),
                         [](const ::testing::TestParamInfo<ListCase>& row) { return row.param.id; });

// The default value when nothing is found: trailing spaces go, the rest stays.
struct DefaultCase {
  const char* value;
  std::string expected;
};

void PrintTo(const DefaultCase& c, std::ostream* os) { *os << (c.value ? c.value : "(null)"); }

class SideBySideDefault : public ::testing::TestWithParam<DefaultCase> {
 protected:
  TempFolder folder_;
};

TEST_P(SideBySideDefault, GivesTheDefaultAsTheSystemDoes) {
  const DefaultCase& c = GetParam();
  const std::string file = folder_.File("Option.ini");
  WriteBytes(file, "[S]\r\nother=1\r\n");
  const Reading ours = ReadOurs("S", "k", c.value, 64, file);
  const Reading theirs = ReadTheirs("S", "k", c.value, 64, file);
  EXPECT_EQ(Value(ours), c.expected);
  if (UnderWine() && c.value != nullptr && c.value[0] == '"') {
    // Wine takes quotes off the default as off a value; Windows leaves them.
    EXPECT_EQ(Value(theirs), "d");
    return;
  }
  if (UnderWine() && c.value != nullptr && std::string_view(c.value).find_first_not_of(' ') == std::string_view::npos) {
    // Wine's trimming stops short of the first character, so a default of
    // spaces only keeps one; Microsoft documents every trailing blank removed.
    EXPECT_EQ(Value(theirs), " ");
    return;
  }
  EXPECT_EQ(theirs.bytes, ours.bytes);
}

INSTANTIATE_TEST_SUITE_P(Table, SideBySideDefault,
                         ::testing::Values(DefaultCase{"  d  ", "  d"}, DefaultCase{"d\t", "d\t"},
                                           DefaultCase{"   ", ""}, DefaultCase{nullptr, ""},
                                           DefaultCase{"\"d\"", "\"d\""}));

class SideBySideWrite : public ::testing::TestWithParam<WriteCase> {
 protected:
  TempFolder folder_;
};

TEST_P(SideBySideWrite, LeavesWhatTheSystemLeaves) {
  const WriteCase& c = GetParam();
  const std::string ourFile = folder_.File("ours.ini");
  const std::string theirFile = folder_.File("theirs.ini");
  if (c.before) {
    WriteBytes(ourFile, *c.before);
    WriteBytes(theirFile, *c.before);
  }
  const bool ourResult = winapi::WritePrivateProfileStringA(c.section, c.key, c.value, ourFile.c_str());
  const bool theirResult = ::WritePrivateProfileStringA(c.section, c.key, c.value, theirFile.c_str()) != 0;
  const std::optional<std::string> ours = Contents(ourFile);
  const std::optional<std::string> theirs = Contents(theirFile);
  EXPECT_EQ(ours, c.after);
  EXPECT_EQ(theirResult, ourResult);
  if (const KnownDifference* known = Find(KnownWriteDifferences(), c.id)) {
    RecordProperty("known_difference", known->why);
    if (known->habit == Habit::kRewritesFile) {
      ASSERT_TRUE(ours && theirs);
      EXPECT_EQ(*theirs, WineRewrite(*ours)) << "more differs than the rewriting: " << known->why;
    } else {
      EXPECT_EQ(theirs, known->theirs) << "the system no longer differs as noted: " << known->why;
    }
    return;
  }
  EXPECT_EQ(theirs, ours);
}

INSTANTIATE_TEST_SUITE_P(Table, SideBySideWrite, ::testing::ValuesIn(WriteCases()),
                         [](const ::testing::TestParamInfo<WriteCase>& row) { return row.param.id; });

// The rewriting that the write rows above set aside, pinned down on its own.
TEST(WineRewrite, IsWhatWineMakesOfAFile) {
  EXPECT_EQ(WineRewrite("; c\n[S]\r \tk = v  \r\n\r\n\n[T]\nm\n"), "; c\r\n[S]\r\nk=v\r\n[T]\r\nm\r\n");
  EXPECT_EQ(WineRewrite(""), "");
}

TEST(SideBySideCalls, FlushWithAllNull) {
  TempFolder folder;
  const std::string file = folder.File("Option.ini");
  EXPECT_TRUE(winapi::WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str()));
  const bool theirs = ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str()) != 0;
  // Windows says it flushed (TRUE), as we do; Wine returns FALSE.
  EXPECT_EQ(theirs, !UnderWine());
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(SideBySideCalls, NullSectionIsRefusedByBoth) {
  TempFolder folder;
  const std::string file = folder.File("Option.ini");
  EXPECT_FALSE(winapi::WritePrivateProfileStringA(nullptr, "k", "v", file.c_str()));
  EXPECT_FALSE(::WritePrivateProfileStringA(nullptr, "k", "v", file.c_str()));
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(SideBySideCalls, WhatOneWritesTheOtherReads) {
  TempFolder folder;
  const std::string file = folder.File("Option.ini");
  ASSERT_TRUE(winapi::WritePrivateProfileStringA("DoorlockOption", "DelayMinutes", "-15", file.c_str()));
  ASSERT_TRUE(::WritePrivateProfileStringA("DoorlockOption", "CardKind", "3", file.c_str()));
  ASSERT_TRUE(winapi::WritePrivateProfileStringA("DoorlockOption", "SaveDoorlockRecord", "1", file.c_str()));
  EXPECT_EQ(Value(ReadTheirs("DoorlockOption", "DelayMinutes", "", 32, file)), "-15");
  EXPECT_EQ(Value(ReadTheirs("DoorlockOption", "SaveDoorlockRecord", "", 32, file)), "1");
  EXPECT_EQ(Value(ReadOurs("DoorlockOption", "CardKind", "", 32, file)), "3");
  EXPECT_EQ(ReadBytes(file), "[DoorlockOption]\r\nDelayMinutes=-15\r\nCardKind=3\r\nSaveDoorlockRecord=1\r\n");
}

}  // namespace
