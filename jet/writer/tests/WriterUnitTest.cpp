// The writer's pieces on their own: how text, dates and keys are encoded, which
// definitions and values are refused, and what is left on disk when a create
// fails.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <limits>
#include <fstream>

#include "DatabaseWriter.h"
#include "HeaderPage.h"
#include "IndexKey.h"
#include "JetProbe.h"
#include "WriterTestSupport.h"
#include "Text.h"

namespace jet::writer {
namespace {

namespace fs = std::filesystem;

std::string HexOf(const Bytes& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (auto b : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

// ------------------------------------------------------------------ header

TEST(HeaderMask, UnmasksTheHeaderOfAFileJetMade) {
  const std::string path = (test::FixtureDir() / "emptyJet4.mdb").string();
  if (!fs::exists(path)) GTEST_SKIP() << "fixture missing: " << path;
  testing::FilePages file(path);
  const auto mask = HeaderMask();
  // The first masked bytes are the same in every Jet 4 file: 00 01 00 00 01 01.
  const std::uint8_t* page = file.page(0);
  const std::uint8_t expected[] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01};
  for (std::size_t i = 0; i < sizeof expected; ++i) EXPECT_EQ(page[0x18 + i] ^ mask[i], expected[i]) << i;
  // Code page 1252 at 0x3c.
  EXPECT_EQ(page[0x3c] ^ mask[0x3c - 0x18], 0xe4);
  EXPECT_EQ(page[0x3d] ^ mask[0x3d - 0x18], 0x04);
}

// -------------------------------------------------------------------- text

struct TextCase {
  const char* name;
  std::u16string text;
  const char* stored;  // hex
};

class StoredText : public ::testing::TestWithParam<TextCase> {};

TEST_P(StoredText, CompressesOnlyWhenEveryCharacterFitsOneByte) {
  EXPECT_EQ(HexOf(EncodeStoredText(GetParam().text, true)), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredText,
    ::testing::Values(TextCase{"Ascii", u"Room 1", "ff fe 52 6f 6f 6d 20 31"},
                      TextCase{"Latin1", u"Caf\u00e9s", "ff fe 43 61 66 e9 73"},
                      TextCase{"Chinese", u"\u5ba2\u623f", "a2 5b 3f 62"},
                      TextCase{"Mixed", u"A\u623fB", "41 00 3f 62 42 00"},
                      // Two characters gain nothing from the two marker bytes.
                      TextCase{"TooShort", u"ab", "61 00 62 00"}, TextCase{"Empty", u"", ""},
                      TextCase{"Surrogates", u"\U0001F642x", "3d d8 42 de 78 00"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(StoredText, LongTextStaysUncompressed) {
  const std::u16string text(1025, u'a');
  EXPECT_EQ(EncodeStoredText(text, true).size(), 2050u);
  EXPECT_EQ(EncodeStoredText(std::u16string(1024, u'a'), true).size(), 1026u);
  EXPECT_EQ(EncodeStoredText(u"Room 1", false).size(), 12u);
}

TEST(StoredText, RejectsMalformedUtf8) {
  for (const char* bad : {"\xff", "\xc3", "\xe4\xb8", "\xc0\x80", "\xed\xa0\x80"}) {
    EXPECT_THROW(Utf8ToUtf16(bad), std::invalid_argument) << HexOf(Bytes(bad, bad + std::strlen(bad)));
  }
  EXPECT_EQ(Utf8ToUtf16("\xe5\xae\xa2"), u"\u5ba2");
}

// ------------------------------------------------------------------- dates

struct DateCase {
  DateTime t;
  double days;
};

class JetDays : public ::testing::TestWithParam<DateCase> {};

TEST_P(JetDays, CountFromTheEndOf1899) { EXPECT_DOUBLE_EQ(GetParam().t.toJetDays(), GetParam().days); }

INSTANTIATE_TEST_SUITE_P(Cases, JetDays,
                         ::testing::Values(DateCase{{1899, 12, 30, 0, 0, 0}, 0.0},
                                           DateCase{{2000, 1, 1, 0, 0, 0}, 36526.0},
                                           DateCase{{2000, 1, 1, 18, 0, 0}, 36526.75},
                                           DateCase{{1900, 1, 1, 6, 0, 0}, 2.25},
                                           // Before day 0 the time still counts away from zero.
                                           DateCase{{1899, 12, 29, 6, 0, 0}, -1.25}));

TEST(JetDays, RejectsImpossibleDates) {
  EXPECT_THROW((DateTime{2023, 2, 29, 0, 0, 0}.toJetDays()), std::invalid_argument);
  EXPECT_THROW((DateTime{2023, 13, 1, 0, 0, 0}.toJetDays()), std::invalid_argument);
  EXPECT_THROW((DateTime{2023, 1, 1, 24, 0, 0}.toJetDays()), std::invalid_argument);
}

// -------------------------------------------------------------------- keys

struct KeyCase {
  const char* name;
  ColumnCode code;
  Value value;
  const char* key;
};

class KeyBytes : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyBytes, SortAsTheirValues) {
  ColumnLayout column;
  column.name = "c";
  column.code = GetParam().code;
  Bytes key;
  AppendKeyPart(key, column, GetParam().value);
  EXPECT_EQ(HexOf(key), GetParam().key);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyBytes,
    ::testing::Values(
        KeyCase{"Null", ColumnCode::kLong, Value::Null(), "00"},
        // The catalog's Id and ParentId keys as Jet writes them.
        KeyCase{"LongTwo", ColumnCode::kLong, Value::Int(2), "7f 80 00 00 02"},
        KeyCase{"LongContainer", ColumnCode::kLong, Value::Int(0x0f000000), "7f 8f 00 00 00"},
        KeyCase{"LongMinusOne", ColumnCode::kLong, Value::Int(-1), "7f 7f ff ff ff"},
        KeyCase{"Integer", ColumnCode::kInteger, Value::Int(-2), "7f 7f fe"},
        KeyCase{"Byte", ColumnCode::kByte, Value::Int(200), "7f c8"},
        KeyCase{"Currency", ColumnCode::kCurrency, Value::Money({10000}), "7f 80 00 00 00 00 00 27 10"},
        KeyCase{"DoublePositive", ColumnCode::kDouble, Value::Real(1.0), "7f bf f0 00 00 00 00 00 00"},
        KeyCase{"DoubleNegative", ColumnCode::kDouble, Value::Real(-1.0), "7f 40 0f ff ff ff ff ff ff"},
        KeyCase{"Date", ColumnCode::kDateTime, Value::Date({1899, 12, 31, 0, 0, 0}), "7f bf f0 00 00 00 00 00 00"},
        // "Databases" in the catalog's name index, as Jet writes it.
        KeyCase{"Text", ColumnCode::kText, Value::Text("Databases"), "7f 4f 4a 6d 4a 4c 4a 6b 51 6b 01 00"},
        KeyCase{"TextUnderscore", ColumnCode::kText, Value::Text("T_Room"), "7f 6d 2b 03 69 64 64 60 01 00"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(KeyBytes, RefusesTextItCannotSort) {
  ColumnLayout column;
  column.name = "c";
  column.code = ColumnCode::kText;
  Bytes key;
  EXPECT_THROW(AppendKeyPart(key, column, Value::Text("客房")), std::invalid_argument);
  EXPECT_THROW(AppendKeyPart(key, column, Value::Text("it's")), std::invalid_argument);
}

// ------------------------------------------------------------- definitions

TableDef Simple() {
  TableDef t;
  t.name = "T";
  t.columns = {{"Id", ColumnType::kLong, 0, true}, {"Name", ColumnType::kText, 20, false}};
  t.indexes = {{"PrimaryKey", {"Id"}, true, false}};
  return t;
}

struct BadDefinition {
  const char* name;
  void (*change)(TableDef&);
};

class RefusedDefinition : public ::testing::TestWithParam<BadDefinition> {};

TEST_P(RefusedDefinition, IsRejectedBeforeAnythingIsWritten) {
  const std::string path = testing::ScratchPath("refused.mdb");
  auto db = DatabaseWriter::create(path);
  TableDef def = Simple();
  GetParam().change(def);
  EXPECT_THROW(db->addTable(def), std::invalid_argument);
  // The database stays usable.
  db->addTable(Simple()).addRow({Value::Null(), Value::Text("ok")});
  db->finish();
  EXPECT_TRUE(fs::exists(path));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedDefinition,
    ::testing::Values(
        BadDefinition{"EmptyTableName", [](TableDef& d) { d.name = ""; }},
        BadDefinition{"ChineseTableName", [](TableDef& d) { d.name = "房间"; }},
        BadDefinition{"QuoteInName", [](TableDef& d) { d.name = "it's"; }},
        BadDefinition{"SystemPrefix", [](TableDef& d) { d.name = "MSysThing"; }},
        BadDefinition{"NoColumns", [](TableDef& d) { d.columns.clear(); d.indexes.clear(); }},
        BadDefinition{"DuplicateColumn", [](TableDef& d) { d.columns.push_back(d.columns[1]); }},
        BadDefinition{"TextTooLong", [](TableDef& d) { d.columns[1].textLength = 256; }},
        BadDefinition{"TextZero", [](TableDef& d) { d.columns[1].textLength = 0; }},
        BadDefinition{"AutoNumberOnText", [](TableDef& d) { d.columns[1].autoNumber = true; }},
        BadDefinition{"TwoAutoNumbers",
                      [](TableDef& d) { d.columns.push_back({"Id2", ColumnType::kLong, 0, true}); }},
        BadDefinition{"IndexOnMissingColumn", [](TableDef& d) { d.indexes[0].columns = {"Nope"}; }},
        BadDefinition{"IndexOnText", [](TableDef& d) { d.indexes.push_back({"N", {"Name"}, false, false}); }},
        BadDefinition{"IndexOnMemo",
                      [](TableDef& d) {
                        d.columns.push_back({"M", ColumnType::kMemo, 0, false});
                        d.indexes.push_back({"M", {"M"}, false, false});
                      }},
        BadDefinition{"TwoPrimaryKeys", [](TableDef& d) { d.indexes.push_back({"P2", {"Id"}, true, false}); }},
        BadDefinition{"IndexWithoutColumns", [](TableDef& d) { d.indexes[0].columns.clear(); }}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(RefusedDefinition, TableNamesAreUniqueIgnoringCase) {
  auto db = DatabaseWriter::create(testing::ScratchPath("dupe.mdb"));
  db->addTable(Simple());
  TableDef again = Simple();
  again.name = "t";
  EXPECT_THROW(db->addTable(again), std::invalid_argument);
}

// ------------------------------------------------------------------ values

TableDef EveryType() {
  TableDef t;
  t.name = "V";
  t.columns = {{"L", ColumnType::kLong, 0, true},     {"I", ColumnType::kInteger, 0, false},
               {"B", ColumnType::kByte, 0, false},    {"C", ColumnType::kCurrency, 0, false},
               {"D", ColumnType::kDouble, 0, false},  {"T", ColumnType::kDateTime, 0, false},
               {"Y", ColumnType::kBoolean, 0, false}, {"S", ColumnType::kText, 3, false},
               {"M", ColumnType::kMemo, 0, false}};
  return t;
}

struct BadValue {
  const char* name;
  std::size_t column;
  Value value;
};

class RefusedValue : public ::testing::TestWithParam<BadValue> {};

TEST_P(RefusedValue, LeavesTheTableUnchanged) {
  const std::string path = testing::ScratchPath("values.mdb");
  auto db = DatabaseWriter::create(path);
  auto& table = db->addTable(EveryType());
  std::vector<Value> row(9);
  row[GetParam().column] = GetParam().value;
  EXPECT_THROW(table.addRow(row), std::invalid_argument);
  EXPECT_EQ(table.rowCount(), 0u);
  // The refused row used no autonumber.
  EXPECT_EQ(table.addRow(std::vector<Value>(9)), 1);
  db->finish();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedValue,
    ::testing::Values(BadValue{"ByteTooBig", 2, Value::Int(256)}, BadValue{"ByteNegative", 2, Value::Int(-1)},
                      BadValue{"IntegerTooBig", 1, Value::Int(32768)},
                      BadValue{"LongTooSmall", 0, Value::Int(0)},
                      BadValue{"TextForNumber", 1, Value::Text("12")},
                      BadValue{"NumberForText", 7, Value::Int(12)},
                      BadValue{"TextTooLong", 7, Value::Text("abcd")},
                      BadValue{"ChineseTextTooLong", 7, Value::Text("一二三四")},
                      BadValue{"NotANumber", 4, Value::Real(std::numeric_limits<double>::quiet_NaN())},
                      BadValue{"BadDate", 5, Value::Date({2021, 2, 30, 0, 0, 0})},
                      BadValue{"NumberForBool", 6, Value::Int(1)},
                      BadValue{"NumberForCurrency", 3, Value::Int(1)},
                      BadValue{"BadUtf8", 8, Value::Text("\xff")}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(RefusedValue, RowWithWrongNumberOfValues) {
  auto db = DatabaseWriter::create(testing::ScratchPath("count.mdb"));
  auto& table = db->addTable(EveryType());
  EXPECT_THROW(table.addRow(std::vector<Value>(8)), std::invalid_argument);
}

TEST(RefusedValue, RowLargerThanAPage) {
  TableDef t;
  t.name = "Wide";
  for (int i = 0; i < 20; ++i) t.columns.push_back({"C" + std::to_string(i), ColumnType::kText, 255, false});
  auto db = DatabaseWriter::create(testing::ScratchPath("wide.mdb"));
  auto& table = db->addTable(t);
  EXPECT_THROW(table.addRow(std::vector<Value>(20, Value::Text(std::string(255, 'x')))), std::invalid_argument);
  EXPECT_NO_THROW(table.addRow(std::vector<Value>(20, Value::Text(std::string(100, 'x')))));
}

TEST(AutoNumber, FollowsTheLargestGivenValue) {
  auto db = DatabaseWriter::create(testing::ScratchPath("auto.mdb"));
  auto& table = db->addTable(Simple());
  EXPECT_EQ(table.addRow({Value::Null(), Value::Null()}), 1);
  EXPECT_EQ(table.addRow({Value::Int(10), Value::Null()}), 10);
  EXPECT_EQ(table.addRow({Value::Null(), Value::Null()}), 11);
}

TEST(UniqueIndex, RefusesARowWithoutPrimaryKey) {
  TableDef t = Simple();
  t.columns[0].autoNumber = false;
  auto db = DatabaseWriter::create(testing::ScratchPath("required.mdb"));
  auto& table = db->addTable(t);
  EXPECT_THROW(table.addRow({Value::Null(), Value::Text("a")}), std::invalid_argument);
  EXPECT_EQ(table.rowCount(), 0u);
}

TEST(UniqueIndex, DuplicateKeysFailTheWholeDatabase) {
  const std::string path = testing::ScratchPath("duplicate.mdb");
  TableDef t = Simple();
  t.columns.push_back({"Code", ColumnType::kInteger, 0, false});
  t.indexes.push_back({"Code", {"Code"}, false, true});
  auto db = DatabaseWriter::create(path);
  auto& table = db->addTable(t);
  table.addRow({Value::Null(), Value::Null(), Value::Int(5)});
  table.addRow({Value::Null(), Value::Null(), Value::Int(6)});
  table.addRow({Value::Null(), Value::Null(), Value::Int(5)});
  EXPECT_THROW(db->finish(), std::invalid_argument);
  EXPECT_FALSE(fs::exists(path));
}

TEST(UniqueIndex, NullsMayRepeatOutsideThePrimaryKey) {
  TableDef t = Simple();
  t.columns.push_back({"Code", ColumnType::kInteger, 0, false});
  t.indexes.push_back({"Code", {"Code"}, false, true});
  auto db = DatabaseWriter::create(testing::ScratchPath("nulls.mdb"));
  auto& table = db->addTable(t);
  table.addRow({Value::Null(), Value::Null(), Value::Null()});
  table.addRow({Value::Null(), Value::Null(), Value::Null()});
  EXPECT_NO_THROW(db->finish());
}

// ------------------------------------------------------------- the file

TEST(CreatedFile, AppearsOnlyWhenFinished) {
  const std::string path = testing::ScratchPath("unfinished.mdb");
  {
    auto db = DatabaseWriter::create(path);
    db->addTable(Simple()).addRow({Value::Null(), Value::Text("a")});
    EXPECT_FALSE(fs::exists(path));
  }
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(fs::is_empty(fs::path(path).parent_path()));
}

TEST(CreatedFile, ReplacesAnOlderFileOnlyAtTheEnd) {
  const std::string path = testing::ScratchPath("replace.mdb");
  std::ofstream(path) << "old";
  {
    auto db = DatabaseWriter::create(path);
    EXPECT_EQ(fs::file_size(path), 3u);
  }
  EXPECT_EQ(fs::file_size(path), 3u);
  auto db = DatabaseWriter::create(path);
  db->finish();
  EXPECT_GT(fs::file_size(path), 3u);
}

TEST(CreatedFile, MissingFolderIsAnError) {
  EXPECT_THROW(DatabaseWriter::create(testing::ScratchPath("x") + "/no/such/folder/a.mdb"), std::runtime_error);
}

TEST(CreatedFile, FinishTwiceIsAnError) {
  auto db = DatabaseWriter::create(testing::ScratchPath("twice.mdb"));
  db->finish();
  EXPECT_THROW(db->finish(), std::logic_error);
  EXPECT_THROW(db->addTable(Simple()), std::logic_error);
}

// Index entries beyond the memory budget are sorted through scratch files;
// the tree must come out the same and the scratch files must go.
TEST(IndexSorting, SpillsToScratchFilesAndCleansUp) {
  const std::string path = testing::ScratchPath("spill.mdb");
  WriterOptions options;
  options.indexMemoryBudget = 4096;  // a few hundred entries per run
  auto db = DatabaseWriter::create(path, options);
  TableDef t;
  t.name = "Spill";
  t.columns = {{"Id", ColumnType::kLong, 0, true}, {"Scattered", ColumnType::kLong, 0, false}};
  t.indexes = {{"PrimaryKey", {"Id"}, true, false}, {"Scattered", {"Scattered"}, false, false}};
  auto& table = db->addTable(t);
  constexpr int kRows = 20000;
  for (int i = 0; i < kRows; ++i) table.addRow({Value::Null(), Value::Int((i * 7919L) % 20011 - 10000)});
  db->finish();
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1u);
  testing::FilePages file(path);
  const auto tables = testing::UserTableDefinitions(file);
  ASSERT_EQ(tables.size(), 1u);
  const auto info = testing::ReadTableDefinition(file, tables[0]);
  for (const auto& index : info.indexes) {
    const auto walk = testing::WalkIndex(file, tables[0], index.root);
    EXPECT_TRUE(walk.problems.empty()) << walk.problems.front();
    EXPECT_EQ(walk.entries.size(), static_cast<std::size_t>(kRows));
  }
}

}  // namespace
}  // namespace jet::writer
