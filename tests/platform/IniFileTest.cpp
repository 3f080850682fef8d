// TIniFile: reading and writing integers, booleans and strings through the
// profile functions, and the error a refused write raises.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <latch>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "TempFolder.h"
#include "inifiles/IniFiles.h"

namespace {

using inifiles::EIniFileException;
using inifiles::TIniFile;
using tarvex::test::ReadBytes;
using tarvex::test::TempFolder;
using tarvex::test::WriteBytes;

class IniFile : public ::testing::Test {
 protected:
  TempFolder folder_;
  std::string file_ = folder_.File("Option.ini");
};

TEST_F(IniFile, KeepsTheFileNameAsGiven) {
  const TIniFile ini("relative/Option.ini");
  EXPECT_EQ(ini.FileName(), "relative/Option.ini");
}

TEST_F(IniFile, MissingFileSectionOrKeyGiveDefaultsAndCreateNothing) {
  {
    TIniFile ini(file_);
    EXPECT_EQ(ini.ReadString("DoorlockOption", "Name", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("DoorlockOption", "DelayMinutes", -3), -3);
    EXPECT_TRUE(ini.ReadBool("DoorlockOption", "UseNativeDoorlockDb", true));
    EXPECT_FALSE(ini.ReadBool("DoorlockOption", "SaveDoorlockRecord", false));
  }  // the flush on release writes nothing either
  EXPECT_FALSE(std::filesystem::exists(file_));

  WriteBytes(file_, "[Other]\r\nDelayMinutes=5\r\n[DoorlockOption]\r\nX=1\r\n");
  TIniFile ini(file_);
  EXPECT_EQ(ini.ReadInteger("DoorlockOption", "DelayMinutes", 7), 7);
  EXPECT_EQ(ini.ReadInteger("Missing", "X", 8), 8);
}

// The raw text read by the profile functions, then by the integer text rule;
// anything that is not integer text gives the default.
struct IntegerCase {
  std::string line;  // the DelayMinutes line, or nothing for no such key
  std::int32_t expected;
};

void PrintTo(const IntegerCase& c, std::ostream* os) { *os << c.line; }

class IniFileInteger : public ::testing::TestWithParam<IntegerCase> {
 protected:
  TempFolder folder_;
};

TEST_P(IniFileInteger, ReadsIntegerText) {
  const IntegerCase& c = GetParam();
  const std::string file = folder_.File("Option.ini");
  WriteBytes(file, "[DoorlockOption]\r\n" + c.line + "\r\n");
  TIniFile ini(file);
  EXPECT_EQ(ini.ReadInteger("DoorlockOption", "DelayMinutes", 99), c.expected) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Table, IniFileInteger,
    ::testing::Values(IntegerCase{"DelayMinutes=0x1E", 30}, IntegerCase{"DelayMinutes=$1E", 30},
                      IntegerCase{"DelayMinutes=x1e", 30}, IntegerCase{"DelayMinutes=0X1E", 30},
                      IntegerCase{"DelayMinutes=-7", -7}, IntegerCase{"DelayMinutes=007", 7},
                      IntegerCase{"DelayMinutes=-2147483648", -2147483647 - 1},
                      IntegerCase{"DelayMinutes=$FFFFFFFF", -1}, IntegerCase{"DelayMinutes=-$10", -16},
                      // Blanks and quotes are gone before the rule sees the text.
                      IntegerCase{"DelayMinutes =  15  ", 15}, IntegerCase{"DelayMinutes=\"15\"", 15},
                      IntegerCase{"DelayMinutes=\" 15\"", 15}, IntegerCase{"DelayMinutes=\"15 \"", 99},
                      IntegerCase{"DelayMinutes=12abc", 99}, IntegerCase{"DelayMinutes=0x", 99},
                      IntegerCase{"DelayMinutes=$", 99}, IntegerCase{"DelayMinutes=-", 99},
                      IntegerCase{"DelayMinutes=", 99}, IntegerCase{"DelayMinutes", 99},
                      IntegerCase{"DelayMinutes=2147483648", 99},
                      IntegerCase{"DelayMinutes=$100000000", 99}, IntegerCase{";DelayMinutes=5", 99}));

TEST_F(IniFile, BooleansAreIntegersWithDefaultOneOrZero) {
  WriteBytes(file_, "[S]\r\nTwo=2\r\nZero=0\r\nMinus=-1\r\nYes=yes\r\n");
  TIniFile ini(file_);
  EXPECT_TRUE(ini.ReadBool("S", "Two", false));
  EXPECT_TRUE(ini.ReadBool("S", "Minus", false));
  EXPECT_FALSE(ini.ReadBool("S", "Zero", true));
  EXPECT_TRUE(ini.ReadBool("S", "Yes", true));
  EXPECT_FALSE(ini.ReadBool("S", "Yes", false));
}

TEST_F(IniFile, ReadStringIsCutTo2047Bytes) {
  const std::string longValue(3000, 'v');
  WriteBytes(file_, "[S]\r\nk=" + longValue + "\r\n");
  TIniFile ini(file_);
  EXPECT_EQ(ini.ReadString("S", "k", ""), longValue.substr(0, 2047));
  EXPECT_EQ(ini.ReadString("S", "missing", std::string(3000, 'd')), std::string(2047, 'd'));
}

TEST_F(IniFile, ReadStringKeepsBytesOutsideAscii) {
  WriteBytes(file_, "[S]\r\nk=\xC9\xE8\xD6\xC3\r\n");
  TIniFile ini(file_);
  EXPECT_EQ(ini.ReadString("S", "k", ""), "\xC9\xE8\xD6\xC3");
}

TEST_F(IniFile, WritesTheDoorlockFileFromNothing) {
  {
    TIniFile ini(file_);
    ini.WriteInteger("DoorlockOption", "DelayMinutes", 0);
    ini.WriteInteger("DoorlockOption", "DelayMinutes2", 0);
    ini.WriteBool("DoorlockOption", "UseNativeDoorlockDb", true);
    ini.WriteBool("DoorlockOption", "SaveDoorlockRecord", false);
  }
  EXPECT_EQ(ReadBytes(file_),
            "[DoorlockOption]\r\nDelayMinutes=0\r\nDelayMinutes2=0\r\n"
            "UseNativeDoorlockDb=1\r\nSaveDoorlockRecord=0\r\n");
}

TEST_F(IniFile, WritesDecimalOverHexAndLeavesTheRest) {
  WriteBytes(file_, "; kept\n[Other]\nA=1\n[DoorlockOption]\nDelayMinutes=0x1E\nDelayMinutes2=007\n");
  {
    TIniFile ini(file_);
    ini.WriteInteger("DoorlockOption", "DelayMinutes", -10);
    ini.WriteInteger("DoorlockOption", "DelayMinutes2", 2147483647);
    ini.WriteString("DoorlockOption", "Name", "\xC9\xE8");
  }
  EXPECT_EQ(ReadBytes(file_),
            "; kept\n[Other]\nA=1\n[DoorlockOption]\nDelayMinutes=-10\nDelayMinutes2=2147483647\n"
            "Name=\xC9\xE8\r\n");
}

TEST_F(IniFile, RefusedWriteRaisesWithTheFileNameAndChangesNothing) {
  const std::string missingFolderFile = folder_.File("missing/Option.ini");
  TIniFile ini(missingFolderFile);
  try {
    ini.WriteInteger("DoorlockOption", "DelayMinutes", 15);
    FAIL() << "no error raised";
  } catch (const EIniFileException& e) {
    EXPECT_STREQ(e.what(), ("Unable to write to " + missingFolderFile).c_str());
  }
  EXPECT_THROW(ini.WriteBool("DoorlockOption", "SaveDoorlockRecord", true), rtl::Exception);
  EXPECT_FALSE(std::filesystem::exists(folder_.File("missing")));
}

TEST_F(IniFile, WriteToReadOnlyFileRaisesAndLeavesItByteForByte) {
  const std::string before = "[DoorlockOption]\nDelayMinutes=5\n; note\n";
  WriteBytes(file_, before);
  std::filesystem::permissions(file_, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                          std::filesystem::perms::others_read);
  {
    TIniFile ini(file_);
    try {
      ini.WriteInteger("DoorlockOption", "DelayMinutes", 15);
      FAIL() << "no error raised";
    } catch (const EIniFileException& e) {
      EXPECT_STREQ(e.what(), ("Unable to write to " + file_).c_str());
    }
  }
  EXPECT_EQ(ReadBytes(file_), before);
  EXPECT_EQ(folder_.Names(), std::set<std::string>{"Option.ini"});
}

// Saves from several threads at once: each save reads, changes and replaces
// the whole file, so without a lock one would overwrite the keys of another.
TEST_F(IniFile, ConcurrentSavesFromThreadsLoseNoKey) {
  constexpr int kThreads = 4;
  constexpr int kKeysEach = 100;
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      for (int k = 0; k < kKeysEach; ++k) {
        const std::string key = "T" + std::to_string(t) + "K" + std::to_string(k);
        for (int attempt = 0;; ++attempt) {
          try {
            TIniFile ini(file_);
            ini.WriteInteger("DoorlockOption", key, t * 1000 + k);
            break;
          } catch (const EIniFileException&) {
            // A save that waited too long for the lock is refused, not lost:
            // the caller hears of it and may try again.
            if (attempt == 20) {
              ADD_FAILURE() << "refused again and again: " << key;
              break;
            }
          }
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();

  TIniFile ini(file_);
  for (int t = 0; t < kThreads; ++t) {
    for (int k = 0; k < kKeysEach; ++k) {
      const std::string key = "T" + std::to_string(t) + "K" + std::to_string(k);
      EXPECT_EQ(ini.ReadInteger("DoorlockOption", key, -1), t * 1000 + k) << key;
    }
  }
  const std::string text = ReadBytes(file_);
  EXPECT_EQ(text.find("[DoorlockOption]\r\n"), 0u);
  EXPECT_EQ(text.find("[DoorlockOption]", 1), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), kThreads * kKeysEach + 1);
  EXPECT_EQ(folder_.Names(), std::set<std::string>{"Option.ini"});
}

}  // namespace
