#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "rtl/SysUtils.h"

namespace {

struct Case {
  std::string text;
  std::optional<std::int32_t> value;  // nullopt: not valid integer text
};

class IntegerText : public ::testing::TestWithParam<Case> {};

TEST_P(IntegerText, ReadsAsTheRuleSays) {
  const Case& c = GetParam();
  EXPECT_EQ(rtl::TryStrToInt(c.text), c.value) << "text: [" << c.text << "]";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IntegerText,
    ::testing::Values(
        // Decimal, signs and leading zeros (not octal).
        Case{"0", 0}, Case{"15", 15}, Case{"-7", -7}, Case{"+7", 7}, Case{"007", 7},
        Case{"0030", 30}, Case{"-10", -10}, Case{"-0", 0},
        // Only code 32 is skipped, and only in front.
        Case{"  20", 20}, Case{" -5", -5}, Case{"20 ", std::nullopt},
        Case{"\t20", std::nullopt}, Case{"- 5", std::nullopt},
        // Hexadecimal prefixes.
        Case{"$1E", 30}, Case{"0x1E", 30}, Case{"0X1E", 30}, Case{"x1e", 30}, Case{"X1e", 30},
        Case{"-$10", -16}, Case{"$FFFFFFFF", -1}, Case{"$80000000", -2147483648},
        Case{"-$FFFFFFFF", 1}, Case{"$000000000001", 1}, Case{"$100000000", std::nullopt},
        Case{"0x", std::nullopt}, Case{"$", std::nullopt}, Case{"$G", std::nullopt},
        Case{"00x1", std::nullopt},
        // Range of decimal values.
        Case{"2147483647", 2147483647}, Case{"-2147483648", -2147483648},
        Case{"2147483648", std::nullopt}, Case{"-2147483649", std::nullopt},
        Case{"99999999999999999999999", std::nullopt},
        // Nothing to read, or something else.
        Case{"", std::nullopt}, Case{"   ", std::nullopt}, Case{"-", std::nullopt},
        Case{"+", std::nullopt}, Case{"12abc", std::nullopt}, Case{"abc", std::nullopt},
        Case{"1.5", std::nullopt}, Case{"1e3", std::nullopt}, Case{"yes", std::nullopt},
        Case{"--1", std::nullopt}));

TEST(StrToInt, InvalidTextRaisesWithTheWholeText) {
  try {
    rtl::StrToInt(" 20 ");
    FAIL() << "no error raised";
  } catch (const rtl::EConvertError& e) {
    EXPECT_STREQ(e.what(), "' 20 ' is not a valid integer value");
  }
}

TEST(IntToStr, WritesShortestDecimal) {
  EXPECT_EQ(rtl::IntToStr(30), "30");
  EXPECT_EQ(rtl::IntToStr(-10), "-10");
  EXPECT_EQ(rtl::IntToStr(-2147483647 - 1), "-2147483648");
}

}  // namespace
