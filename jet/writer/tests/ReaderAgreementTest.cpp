// Databases written here must read back, value for value, through the two
// independent readers: mdbtools (mdb-export, mdb-schema, mdb-count) and
// mdb-reader.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DatabaseWriter.h"
#include "WriterTestSupport.h"

namespace jet::writer {
namespace {

// The table every case writes: each column type, several indexes.
TableDef AllTypesTable() {
  TableDef t;
  t.name = "AllTypes";
  t.columns = {
      {"Id", ColumnType::kLong, 0, true},         {"Small", ColumnType::kInteger, 0, false},
      {"Tiny", ColumnType::kByte, 0, false},      {"Big", ColumnType::kLong, 0, false},
      {"Price", ColumnType::kCurrency, 0, false}, {"Ratio", ColumnType::kDouble, 0, false},
      {"Stamp", ColumnType::kDateTime, 0, false}, {"Flag", ColumnType::kBoolean, 0, false},
      {"Name", ColumnType::kText, 100, false},    {"Note", ColumnType::kMemo, 0, false},
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

std::vector<Value> TypicalRow(int i, Profile profile) {
  const bool nulls = profile == Profile::kNulls;
  auto maybe = [nulls](bool isNull, Value v) { return nulls || isNull ? Value::Null() : std::move(v); };
  const std::int64_t big = (static_cast<std::int64_t>(i) * 104729) % 2000003 - 1000000;
  const std::string name = i % 4 == 0 ? "客房 " + std::to_string(i) : "Room " + std::to_string(i) + ", east";
  const bool noMemo = profile == Profile::kNoMemos || i % 11 == 10;
  return {
      Value::Null(),
      maybe(i % 7 == 3, Value::Int((i * 37) % 2000 - 1000)),
      maybe(i % 9 == 4, Value::Int((i * 13) % 256)),
      maybe(false, Value::Int(big)),
      maybe(i % 5 == 2, Value::Money({(static_cast<std::int64_t>(i) * 12345) % 10000000 - 2500000})),
      maybe(false, Value::Real((i % 400) * 0.25 - 37.5)),
      maybe(i % 8 == 5, Value::Date({1990 + i % 40, 1 + i % 12, 1 + i % 28, i % 24, (i * 7) % 60, (i * 11) % 60})),
      maybe(false, Value::Bool(i % 3 == 0)),
      maybe(i % 10 == 6, Value::Text(name)),
      maybe(noMemo, Value::Text(MemoFor(i, profile))),
  };
}

std::vector<Value> ExtremeRow(int i) {
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
      // Characters beyond the Basic Multilingual Plane are stored as pairs.
      {256, 2, 65536, 10000, 123456789.125, {1955, 7, 4, 18, 45, 1}, "Ünïcödé ✓ 𝄞 and 🙂"},
  };
  const Edge& e = kEdges[static_cast<std::size_t>(i) % kEdges.size()];
  return {Value::Null(),        Value::Int(e.small),     Value::Int(e.tiny),
          Value::Int(e.big),    Value::Money({e.price}), Value::Real(e.ratio),
          Value::Date(e.stamp), Value::Bool(i % 2 == 0), Value::Text(e.name),
          Value::Text(e.name)};
}

std::vector<Value> MakeRow(int i, Profile profile) {
  return profile == Profile::kExtremes ? ExtremeRow(i) : TypicalRow(i, profile);
}

struct Case {
  const char* name;
  int rows;
  Profile profile;
};

class ReaderAgreement : public ::testing::TestWithParam<Case> {
 protected:
  // Writes the case's database; returns the rows as they should read back.
  std::vector<std::vector<Value>> writeDatabase() {
    const Case& c = GetParam();
    path_ = testing::ScratchPath(std::string(c.name) + ".mdb");
    auto db = DatabaseWriter::create(path_);
    auto& table = db->addTable(AllTypesTable());
    std::vector<std::vector<Value>> written;
    for (int i = 0; i < c.rows; ++i) {
      std::vector<Value> row = MakeRow(i, c.profile);
      const std::int64_t id = table.addRow(row);
      row[0].setInt(id);
      written.push_back(std::move(row));
    }
    // A neighbour table without variable-length columns, whose rows have no
    // offset table.
    TableDef other;
    other.name = "Other";
    other.columns = {{"Key", ColumnType::kLong, 0, false}, {"Done", ColumnType::kBoolean, 0, false}};
    db->addTable(other).addRow({Value::Int(7), Value::Bool(true)});
    db->finish();
    return written;
  }
  std::string path_;
};

TEST_P(ReaderAgreement, MdbExportReadsEveryValue) {
  if (!test::OnPath("mdb-export")) GTEST_SKIP() << "mdbtools (mdb-export) is not installed";
  const auto written = writeDatabase();
  testing::ExpectRows(testing::ReadWithMdbExport(path_, "AllTypes"), written, AllTypesTable().columns,
                      testing::Reader::kMdbExport);
  const auto other = testing::ReadWithMdbExport(path_, "Other");
  ASSERT_EQ(other.size(), 1u);
  EXPECT_EQ(other[0][0].text, "7");
  EXPECT_EQ(other[0][1].text, "1");
}

TEST_P(ReaderAgreement, MdbReaderReadsEveryValue) {
  if (!test::HaveMdbReader()) GTEST_SKIP() << "mdb-reader (node, tests/tools) is not installed";
  const auto written = writeDatabase();
  testing::ExpectRows(testing::ReadWithMdbReader(path_, "AllTypes"), written, AllTypesTable().columns,
                      testing::Reader::kMdbReader);
}

TEST_P(ReaderAgreement, MdbToolsSeeTablesCountsAndSchema) {
  if (!test::OnPath("mdb-tables")) GTEST_SKIP() << "mdbtools is not installed";
  writeDatabase();
  EXPECT_EQ(test::Run({"mdb-tables", "-1", path_}).out, "AllTypes\nOther\n");
  EXPECT_EQ(test::Run({"mdb-count", path_, "AllTypes"}).out, std::to_string(GetParam().rows) + "\n");
  EXPECT_EQ(test::Run({"mdb-ver", path_}).out, "JET4\n");
  const std::string schema = test::Run({"mdb-schema", "--indexes", "-T", "AllTypes", path_, "mysql"}).out;
  for (const char* fragment :
       {"`Id`\t\t\tint not null auto_increment unique", "`Small`\t\t\tsmallint", "`Tiny`\t\t\ttinyint",
        "`Big`\t\t\tint", "`Price`\t\t\tfloat", "`Ratio`\t\t\tfloat", "`Stamp`\t\t\tdatetime",
        "`Flag`\t\t\tboolean", "`Name`\t\t\tvarchar (100)", "`Note`\t\t\ttext", "ADD PRIMARY KEY (`Id`)",
        "ADD INDEX `Big` (`Big`)", "ADD INDEX `SmallTiny` (`Small`, `Tiny`)", "ADD INDEX `Stamp` (`Stamp`)"}) {
    EXPECT_NE(schema.find(fragment), std::string::npos) << "missing: " << fragment << "\n" << schema;
  }
  // The Access flavour names the column types themselves.
  const std::string access = test::Run({"mdb-schema", "-T", "AllTypes", path_}).out;
  for (const char* fragment : {"[Id]\t\t\tLong Integer", "[Small]\t\t\tInteger", "[Tiny]\t\t\tByte",
                               "[Price]\t\t\tCurrency", "[Ratio]\t\t\tDouble", "[Stamp]\t\t\tDateTime",
                               "[Flag]\t\t\tBoolean", "[Name]\t\t\tText (100)", "[Note]\t\t\tMemo/Hyperlink"}) {
    EXPECT_NE(access.find(fragment), std::string::npos) << "missing: " << fragment << "\n" << access;
  }
}

// So many columns that the table definition takes several pages.
TEST(WideTable, DefinitionSpanningPagesReadsBack) {
  const bool haveExport = test::OnPath("mdb-export");
  const bool haveReader = !!test::HaveMdbReader();
  if (!haveExport && !haveReader) GTEST_SKIP() << "neither mdbtools nor mdb-reader is installed";
  TableDef wide;
  wide.name = "Wide";
  for (int c = 0; c < 200; ++c) {
    wide.columns.push_back({"A_rather_long_column_name_" + std::to_string(c), ColumnType::kLong, 0, false});
  }
  wide.indexes = {{"First", {wide.columns[0].name}, false, false}, {"Last", {wide.columns[199].name}, false, false}};
  const std::string path = testing::ScratchPath("wide.mdb");
  std::vector<std::vector<Value>> written;
  {
    auto db = DatabaseWriter::create(path);
    auto& table = db->addTable(wide);
    for (int r = 0; r < 50; ++r) {
      std::vector<Value> row;
      for (int c = 0; c < 200; ++c) row.push_back(Value::Int(r * 1000 + c));
      table.addRow(row);
      written.push_back(std::move(row));
    }
    db->finish();
  }
  if (haveExport) {
    testing::ExpectRows(testing::ReadWithMdbExport(path, "Wide"), written, wide.columns, testing::Reader::kMdbExport);
  }
  if (haveReader) {
    testing::ExpectRows(testing::ReadWithMdbReader(path, "Wide"), written, wide.columns, testing::Reader::kMdbReader);
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
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace jet::writer
