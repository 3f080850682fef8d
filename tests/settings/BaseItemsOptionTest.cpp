#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "BaseItemsOptionUnit.h"
#include "TempFolder.h"

namespace {

using tarvex::test::ReadBytes;
using tarvex::test::TempFolder;
using tarvex::test::WriteBytes;

struct LoadCase {
  const char* name;
  const char* file;  // nullptr: no Option.ini at all
  std::int32_t minutes, minutes2;
  bool useNative, saveRecord;
};

class LoadOptions : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadOptions, GivesTheStoredValuesOrTheDefaults) {
  const LoadCase& c = GetParam();
  TempFolder dir;
  const std::string path = dir.File("Option.ini");
  if (c.file) WriteBytes(path, c.file);
  TBaseItemsOption options(path);
  options.LoadOptions();
  EXPECT_EQ(options.DelayMinutes, c.minutes);
  EXPECT_EQ(options.DelayMinutes2, c.minutes2);
  EXPECT_EQ(options.UseNativeDoorlockDb, c.useNative);
  EXPECT_EQ(options.SaveDoorlockRecord, c.saveRecord);
  EXPECT_EQ(std::filesystem::exists(path), c.file != nullptr) << "loading created the file";
}

std::string Minutes(const char* value) {
  return std::string("[DoorlockOption]\r\nDelayMinutes=") + value + "\r\n";
}

// The file texts outlive the table.
const std::string kHex = Minutes("0x1E"), kDollar = Minutes("$1E"), kX = Minutes("x1e"),
                  kUpperX = Minutes("0X1E"), kNeg = Minutes("-7"), kZeros = Minutes("007"),
                  kJunk = Minutes("12abc"), kPrefixOnly = Minutes("0x"), kDollarOnly = Minutes("$"),
                  kMinus = Minutes("-"), kEmpty = Minutes(""), kTooBig = Minutes("2147483648"),
                  kTooLongHex = Minutes("$100000000"), kMin = Minutes("-2147483648"),
                  kAllOnes = Minutes("$FFFFFFFF"), kNegHex = Minutes("-$10");

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadOptions,
    ::testing::Values(
        LoadCase{"NoFile", nullptr, 0, 0, true, false},
        LoadCase{"NoSection", "[Other]\r\nDelayMinutes=5\r\n", 0, 0, true, false},
        LoadCase{"AllKeys",
                 "[DoorlockOption]\r\nDelayMinutes=15\r\nDelayMinutes2=30\r\n"
                 "UseNativeDoorlockDb=0\r\nSaveDoorlockRecord=1\r\n",
                 15, 30, false, true},
        LoadCase{"Hex0x", kHex.c_str(), 30, 0, true, false},
        LoadCase{"HexDollar", kDollar.c_str(), 30, 0, true, false},
        LoadCase{"HexX", kX.c_str(), 30, 0, true, false},
        LoadCase{"Hex0X", kUpperX.c_str(), 30, 0, true, false},
        LoadCase{"Negative", kNeg.c_str(), -7, 0, true, false},
        LoadCase{"LeadingZeros", kZeros.c_str(), 7, 0, true, false},
        LoadCase{"TrailingJunk", kJunk.c_str(), 0, 0, true, false},
        LoadCase{"PrefixOnly", kPrefixOnly.c_str(), 0, 0, true, false},
        LoadCase{"DollarOnly", kDollarOnly.c_str(), 0, 0, true, false},
        LoadCase{"MinusOnly", kMinus.c_str(), 0, 0, true, false},
        LoadCase{"EmptyValue", kEmpty.c_str(), 0, 0, true, false},
        LoadCase{"TooBig", kTooBig.c_str(), 0, 0, true, false},
        LoadCase{"TooLongHex", kTooLongHex.c_str(), 0, 0, true, false},
        LoadCase{"Smallest", kMin.c_str(), -2147483647 - 1, 0, true, false},
        LoadCase{"AllOnes", kAllOnes.c_str(), -1, 0, true, false},
        LoadCase{"NegatedHex", kNegHex.c_str(), -16, 0, true, false},
        LoadCase{"SwitchTwoIsTrue", "[DoorlockOption]\r\nUseNativeDoorlockDb=2\r\n", 0, 0, true,
                 false},
        LoadCase{"SwitchZeroIsFalse", "[DoorlockOption]\r\nUseNativeDoorlockDb=0\r\n", 0, 0,
                 false, false},
        LoadCase{"SwitchWordsGiveTheDefaults",
                 "[DoorlockOption]\r\nUseNativeDoorlockDb=yes\r\nSaveDoorlockRecord=yes\r\n", 0,
                 0, true, false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(SaveOptions, CreatesTheFileWithTheFourKeysInOrder) {
  TempFolder dir;
  TBaseItemsOption options(dir.File("Option.ini"));
  options.LoadOptions();
  options.SaveOptions();
  EXPECT_EQ(ReadBytes(options.FileName),
            "[DoorlockOption]\r\nDelayMinutes=0\r\nDelayMinutes2=0\r\n"
            "UseNativeDoorlockDb=1\r\nSaveDoorlockRecord=0\r\n");
}

TEST(SaveOptions, RewritesValuesInDecimalAndLeavesEverythingElseAlone) {
  TempFolder dir;
  const std::string path = dir.File("Option.ini");
  WriteBytes(path,
            "; door-lock client settings\n[Client]\nServer=10.0.0.1\n\n"
            "[DoorlockOption]\nDelayMinutes=0x1E\nCardKind=3\nDelayMinutes2=007\n\n"
            "[Other]\nName=大堂\n");
  TBaseItemsOption options(path);
  options.LoadOptions();
  options.DelayMinutes2 = -10;
  options.SaveOptions();
  EXPECT_EQ(ReadBytes(path),
            "; door-lock client settings\n[Client]\nServer=10.0.0.1\n\n"
            "[DoorlockOption]\nDelayMinutes=30\nCardKind=3\nDelayMinutes2=-10\n"
            "UseNativeDoorlockDb=1\r\nSaveDoorlockRecord=0\r\n\n"
            "[Other]\nName=大堂\n");
}

TEST(SaveOptions, ARefusedWriteRaisesWithTheFullPathAndLeavesTheFile) {
  TempFolder dir;
  const std::string path = dir.File("Option.ini");
  WriteBytes(path, "[DoorlockOption]\r\nDelayMinutes=7\r\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read);
  TBaseItemsOption options(path);
  options.DelayMinutes = 15;
  try {
    options.SaveOptions();
    FAIL() << "the save was not refused";
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
  }
  EXPECT_EQ(ReadBytes(path), "[DoorlockOption]\r\nDelayMinutes=7\r\n");
  EXPECT_EQ(options.DelayMinutes, 15);
}

TEST(SaveOptions, AMissingFolderIsARefusedWrite) {
  TempFolder dir;
  TBaseItemsOption options(dir.File("gone/Option.ini"));
  EXPECT_THROW(options.SaveOptions(), std::exception);
  EXPECT_FALSE(std::filesystem::exists(dir.File("gone")));
}

}  // namespace
