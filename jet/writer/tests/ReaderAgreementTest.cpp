// Databases written here must read back, value for value, through the two
// independent readers: mdbtools (mdb-export, mdb-schema, mdb-count) and
// mdb-reader.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "DatabaseWriter.h"
#include "TestSupport.h"

namespace jet::writer {
namespace {

using testing::Cell;
using testing::Table;

// What each reader should print for one value.
struct Expected {
  bool null = false;
  bool numeric = false;  // compare as numbers, not text
  double number = 0;
  std::string exported;  // mdb-export
  std::string dumped;    // mdb-reader
};

Expected Null() { return Expected{true, false, 0, "", ""}; }
Expected Same(std::string text) { return Expected{false, false, 0, text, text}; }

Expected ExpectCurrency(std::int64_t tenThousandths) {
  const bool negative = tenThousandths < 0;
  const std::uint64_t magnitude =
      negative ? static_cast<std::uint64_t>(-(tenThousandths + 1)) + 1 : static_cast<std::uint64_t>(tenThousandths);
  char text[48];
  std::snprintf(text, sizeof text, "%s%" PRIu64 ".%04" PRIu64, negative ? "-" : "", magnitude / 10000,
                magnitude % 10000);
  return Same(text);
}

Expected ExpectDate(const DateTime& t) {
  char exported[32];
  char dumped[40];
  std::snprintf(exported, sizeof exported, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  std::snprintf(dumped, sizeof dumped, "%04d-%02d-%02dT%02d:%02d:%02d.000Z", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return Expected{false, false, 0, exported, dumped};
}

Expected ExpectBool(bool v) { return Expected{false, false, 0, v ? "1" : "0", v ? "true" : "false"}; }
Expected ExpectDouble(double v) { return Expected{false, true, v, "", ""}; }

// The table every case writes: each column type, several indexes.
TableDef AllTypesTable() {
  TableDef t;
  t.name = "AllTypes";
  t.columns = {
      {"Id", ColumnType::kLong, 0, true},        {"Small", ColumnType::kInteger, 0, false},
      {"Tiny", ColumnType::kByte, 0, false},     {"Big", ColumnType::kLong, 0, false},
      {"Price", ColumnType::kCurrency, 0, false}, {"Ratio", ColumnType::kDouble, 0, false},
      {"Stamp", ColumnType::kDateTime, 0, false}, {"Flag", ColumnType::kBoolean, 0, false},
      {"Name", ColumnType::kText, 100, false},   {"Note", ColumnType::kMemo, 0, false},
  };
  t.indexes = {{"PrimaryKey", {"Id"}, true, false},
               {"Big", {"Big"}, false, false},
               {"SmallTiny", {"Small", "Tiny"}, false, false},
               {"Stamp", {"Stamp"}, false, false}};
  return t;
}

enum class Profile { kTypical, kLongMemos, kNulls, kExtremes, kNoMemos };

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

// Memo texts of every storage form: inline, one long-value row, a chain.
std::string MemoFor(int i, Profile profile) {
  if (profile == Profile::kLongMemos) {
    // 1 to 5 pages of text, Chinese (two bytes a character) or plain.
    const int pieces = 120 + (i * 379) % 1900;
    return i % 2 == 0 ? Repeat("长备注文本", pieces) + std::to_string(i) : Repeat("long memo text ", pieces);
  }
  switch (i % 6) {
    case 0: return "short";
    case 1: return "房间备注 " + std::to_string(i);
    case 2: return Repeat("medium length memo, ", 10 + i % 40);
    case 3: return Repeat("中等长度的备注。", 20 + i % 30);
    case 4: return i % 60 == 4 ? Repeat("a chain of long-value pages ", 300) : "";
    default: return "x";
  }
}

struct Row {
  std::vector<Value> values;
  std::vector<Expected> expected;
};

Row TypicalRow(int i, Profile profile) {
  Row r;
  const std::int64_t id = i + 1;
  const std::int64_t small = (i * 37) % 2000 - 1000;
  const std::int64_t tiny = (i * 13) % 256;
  const std::int64_t big = (static_cast<std::int64_t>(i) * 104729) % 2000003 - 1000000;
  const std::int64_t price = (static_cast<std::int64_t>(i) * 12345) % 10000000 - 2500000;
  const double ratio = (i % 400) * 0.25 - 37.5;
  const DateTime stamp{1990 + i % 40, 1 + i % 12, 1 + i % 28, i % 24, (i * 7) % 60, (i * 11) % 60};
  const bool flag = i % 3 == 0;
  const std::string name = i % 4 == 0 ? "客房 " + std::to_string(i) : "Room " + std::to_string(i) + ", east";
  const bool nulls = profile == Profile::kNulls;
  auto nullable = [&](bool isNull, Value v, Expected e) {
    r.values.push_back(isNull ? Value::Null() : std::move(v));
    r.expected.push_back(isNull ? Null() : std::move(e));
  };
  r.values.push_back(Value::Null());  // autonumber
  r.expected.push_back(Same(std::to_string(id)));
  nullable(nulls || i % 7 == 3, Value::Int(small), Same(std::to_string(small)));
  nullable(nulls || i % 9 == 4, Value::Int(tiny), Same(std::to_string(tiny)));
  nullable(nulls, Value::Int(big), Same(std::to_string(big)));
  nullable(nulls || i % 5 == 2, Value::Money({price}), ExpectCurrency(price));
  nullable(nulls, Value::Real(ratio), ExpectDouble(ratio));
  nullable(nulls || i % 8 == 5, Value::Date(stamp), ExpectDate(stamp));
  // A null Yes/No reads as No.
  r.values.push_back(nulls ? Value::Null() : Value::Bool(flag));
  r.expected.push_back(ExpectBool(!nulls && flag));
  nullable(nulls || i % 10 == 6, Value::Text(name), Same(name));
  const bool noMemo = nulls || profile == Profile::kNoMemos;
  const std::string memo = MemoFor(i, profile);
  nullable(noMemo || i % 11 == 10, Value::Text(memo), Same(memo));
  return r;
}

// mdbtools converts text as UCS-2: a character outside the Basic
// Multilingual Plane (a surrogate pair in the file) comes out as "??".
std::string AsMdbtoolsPrints(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if ((lead & 0xf8) == 0xf0) {
      out += "??";
      i += 4;
    } else {
      out += utf8[i++];
    }
  }
  return out;
}

Expected Text(const std::string& utf8) { return Expected{false, false, 0, AsMdbtoolsPrints(utf8), utf8}; }

Row ExtremeRow(int i) {
  struct Edge {
    std::int64_t small, tiny, big, price;
    double ratio;
    DateTime stamp;
    std::string name;
  };
  static const std::vector<Edge> kEdges = {
      {-32768, 0, INT32_MIN, INT64_MIN + 1, -1.5e300, {1900, 1, 1, 0, 0, 0}, ""},
      {32767, 255, INT32_MAX, INT64_MAX, 1.5e300, {2099, 12, 31, 23, 59, 59}, std::string(100, 'W')},
      {0, 1, 0, 0, 0.0, {1970, 1, 1, 0, 0, 0}, Repeat("中", 100)},
      {-1, 128, -1, -1, -0.001, {1999, 12, 31, 12, 0, 0}, "a"},
      {1, 127, 1, 1, 4.9e-300, {2000, 2, 29, 6, 30, 15}, "ab"},
      {256, 2, 65536, 10000, 123456789.125, {1955, 7, 4, 18, 45, 1}, "Ünïcödé ✓ 𝄞 emoji-free? 🙂"},
  };
  const Edge& e = kEdges[static_cast<std::size_t>(i) % kEdges.size()];
  Row r;
  r.values = {Value::Null(),        Value::Int(e.small),  Value::Int(e.tiny),
              Value::Int(e.big),    Value::Money({e.price}), Value::Real(e.ratio),
              Value::Date(e.stamp), Value::Bool(i % 2 == 0), Value::Text(e.name),
              Value::Text(e.name)};
  r.expected = {Same(std::to_string(i + 1)), Same(std::to_string(e.small)), Same(std::to_string(e.tiny)),
                Same(std::to_string(e.big)), ExpectCurrency(e.price), ExpectDouble(e.ratio),
                ExpectDate(e.stamp),         ExpectBool(i % 2 == 0),   Text(e.name),
                Text(e.name)};
  return r;
}

Row MakeRow(int i, Profile profile) {
  return profile == Profile::kExtremes ? ExtremeRow(i) : TypicalRow(i, profile);
}

struct Case {
  const char* name;
  int rows;
  Profile profile;
};

std::string CaseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

class ReaderAgreement : public ::testing::TestWithParam<Case> {
 protected:
  // Writes the case's database once; each test reads it.
  std::string writeDatabase() {
    const Case& c = GetParam();
    const std::string path = testing::ScratchPath(std::string(c.name) + ".mdb");
    auto db = DatabaseWriter::create(path);
    auto& table = db->addTable(AllTypesTable());
    for (int i = 0; i < c.rows; ++i) table.addRow(MakeRow(i, c.profile).values);
    // A neighbour table, so that more than one user table is in the catalog.
    TableDef other;
    other.name = "Other";
    other.columns = {{"Key", ColumnType::kLong, 0, false}, {"Label", ColumnType::kText, 20, false}};
    auto& t2 = db->addTable(other);
    t2.addRow({Value::Int(7), Value::Text("seven")});
    db->finish();
    return path;
  }

  static void compare(const Table& actual, const char* reader, bool exportFormat) {
    const Case& c = GetParam();
    ASSERT_EQ(actual.size(), static_cast<std::size_t>(c.rows)) << reader;
    int mismatches = 0;
    for (int i = 0; i < c.rows && mismatches < 5; ++i) {
      const Row expected = MakeRow(i, c.profile);
      const auto& row = actual[static_cast<std::size_t>(i)];
      ASSERT_EQ(row.size(), expected.expected.size()) << reader << " row " << i;
      for (std::size_t k = 0; k < row.size(); ++k) {
        const Expected& want = expected.expected[k];
        const Cell& got = row[k];
        // mdb-export writes empty text like a null.
        const bool emptyAsNull = exportFormat && !want.null && !want.numeric && want.exported.empty();
        bool same = got.null == want.null || (emptyAsNull && got.null);
        if (same && !want.null) {
          same = want.numeric ? std::strtod(got.text.c_str(), nullptr) == want.number
                              : got.text == (exportFormat ? want.exported : want.dumped);
        }
        if (!same) {
          ++mismatches;
          ADD_FAILURE() << reader << " row " << i << " column " << AllTypesTable().columns[k].name
                        << ": got " << (got.null ? "null" : "'" + got.text.substr(0, 80) + "'") << ", expected "
                        << (want.null ? "null"
                                      : want.numeric ? std::to_string(want.number)
                                                     : "'" + (exportFormat ? want.exported : want.dumped).substr(0, 80) + "'");
        }
      }
    }
  }
};

TEST_P(ReaderAgreement, MdbExportReadsEveryValue) {
  if (!testing::HaveProgram("mdb-export")) GTEST_SKIP() << "mdbtools (mdb-export) is not installed";
  const std::string path = writeDatabase();
  compare(testing::ReadWithMdbExport(path, "AllTypes"), "mdb-export", true);
  const Table other = testing::ReadWithMdbExport(path, "Other");
  ASSERT_EQ(other.size(), 1u);
  EXPECT_EQ(other[0][0].text, "7");
  EXPECT_EQ(other[0][1].text, "seven");
}

TEST_P(ReaderAgreement, MdbReaderReadsEveryValue) {
  if (testing::MdbReaderScript().empty()) GTEST_SKIP() << "mdb-reader (node, tests/tools) is not installed";
  const std::string path = writeDatabase();
  compare(testing::ReadWithMdbReader(path, "AllTypes"), "mdb-reader", false);
}

TEST_P(ReaderAgreement, MdbToolsSeeTablesCountsAndSchema) {
  if (!testing::HaveProgram("mdb-tables")) GTEST_SKIP() << "mdbtools is not installed";
  const std::string path = writeDatabase();
  EXPECT_EQ(testing::Run("mdb-tables -1 " + testing::Quote(path)).out, "AllTypes\nOther\n");
  EXPECT_EQ(testing::Run("mdb-count " + testing::Quote(path) + " AllTypes").out,
            std::to_string(GetParam().rows) + "\n");
  EXPECT_EQ(testing::Run("mdb-ver " + testing::Quote(path)).out, "JET4\n");
  const std::string schema =
      testing::Run("mdb-schema --indexes -T AllTypes " + testing::Quote(path) + " mysql").out;
  for (const char* fragment :
       {"`Id`\t\t\tint not null auto_increment unique", "`Small`\t\t\tsmallint", "`Tiny`\t\t\ttinyint",
        "`Big`\t\t\tint", "`Price`\t\t\tfloat", "`Ratio`\t\t\tfloat", "`Stamp`\t\t\tdatetime",
        "`Flag`\t\t\tboolean", "`Name`\t\t\tvarchar (100)", "`Note`\t\t\ttext",
        "ADD PRIMARY KEY (`Id`)", "ADD INDEX `Big` (`Big`)", "ADD INDEX `SmallTiny` (`Small`, `Tiny`)",
        "ADD INDEX `Stamp` (`Stamp`)"}) {
    EXPECT_NE(schema.find(fragment), std::string::npos) << "missing: " << fragment << "\n" << schema;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReaderAgreement,
    ::testing::Values(Case{"Empty", 0, Profile::kTypical}, Case{"OneRow", 1, Profile::kTypical},
                      Case{"ThousandsOfRows", 6000, Profile::kTypical},
                      Case{"LongMemos", 40, Profile::kLongMemos}, Case{"AllNull", 300, Profile::kNulls},
                      Case{"Extremes", 12, Profile::kExtremes},
                      // More data pages than an inline usage map can hold.
                      Case{"ManyPages", 40000, Profile::kNoMemos}),
    CaseName);

}  // namespace
}  // namespace jet::writer
