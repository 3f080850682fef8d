// Index pages are read by Access only, not by mdbtools or mdb-reader, so they
// are checked here with a page-level walker. The walker is first held against
// indexes Access wrote; then it must find the same shape in the writer's.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

#include "DatabaseWriter.h"
#include "JetProbe.h"
#include "SampleDatabase.h"
#include "WriterTestSupport.h"

namespace jet::writer {
namespace {

using testing::FilePages;
using testing::IndexWalk;
using testing::TableInfo;

std::uint32_t U16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }

// Definition pages of the user tables, as the catalog (read by mdb-export)
// names them.
std::map<std::string, std::uint32_t> UserTables(const std::string& path) {
  std::map<std::string, std::uint32_t> tables;
  for (const auto& row : testing::ReadWithMdbExport(path, "MSysObjects")) {
    // Id, ParentId, Name, Type, ..., Flags (column 7)
    if (row.size() > 7 && row[3].text == "1" && row[7].text == "0") {
      tables[row[2].text] = static_cast<std::uint32_t>(std::stoul(row[0].text)) & 0xffffff;
    }
  }
  return tables;
}

std::uint32_t Pointer(const testing::PageBytes& entry) {
  const std::size_t n = entry.size();
  return (static_cast<std::uint32_t>(entry[n - 4]) << 16 | static_cast<std::uint32_t>(entry[n - 3]) << 8 |
          entry[n - 2]) << 8 | entry[n - 1];
}

class AccessIndexes : public ::testing::TestWithParam<const char*> {};

TEST_P(AccessIndexes, WalkerFindsSoundTreesInFilesAccessMade) {
  const std::string path = (test::FixtureDir() / GetParam()).string();
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "fixture missing: " << path;
  if (!test::OnPath("mdb-export")) GTEST_SKIP() << "mdbtools (mdb-export) is not installed";
  FilePages file(path);
  int indexes = 0;
  for (const auto& [name, tdef] : UserTables(path)) {
    const TableInfo table = testing::ReadTableDefinition(file, tdef);
    for (const auto& index : table.indexes) {
      const IndexWalk walk = testing::WalkIndex(file, tdef, index.root);
      EXPECT_TRUE(walk.problems.empty()) << name << ": " << walk.problems.front();
      const bool ignoresNulls = (index.flags & 0x02) != 0;
      if (!ignoresNulls) {
        EXPECT_EQ(walk.entries.size(), table.rows) << name;
      }
      const auto mapped = testing::UsageMapPages(file, index.usageMap);
      for (auto page : walk.pages) {
        EXPECT_TRUE(std::binary_search(mapped.begin(), mapped.end(), page)) << name << " page " << page;
      }
      ++indexes;
    }
  }
  EXPECT_GT(indexes, 0);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, AccessIndexes,
                         ::testing::Values("compIndexTestV2000.mdb", "indexTestV2000.mdb",
                                           "bigIndexTestV2000.mdb", "testIndexPropertiesV2000.mdb",
                                           "indexCursorTestV2000.mdb", "testV2000.mdb"),
                         [](const auto& param) {
                           const std::string file = param.param;
                           return file.substr(0, file.find('.'));
                         });

// The numeric value of a fixed column in a row; nullopt for null.
std::optional<double> FixedValue(const testing::PageBytes& row, const testing::ColumnInfo& column,
                                 std::size_t columnCount) {
  const std::size_t maskSize = (columnCount + 7) / 8;
  const std::uint8_t* mask = row.data() + row.size() - maskSize;
  if ((mask[column.number / 8] & (1u << (column.number % 8))) == 0) return std::nullopt;
  const std::uint8_t* at = row.data() + 2 + column.fixedOffset;
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < column.length; ++i) bits |= static_cast<std::uint64_t>(at[i]) << (8 * i);
  switch (column.type) {
    case 0x02: return static_cast<double>(bits);
    case 0x03: return static_cast<double>(static_cast<std::int16_t>(bits));
    case 0x04: return static_cast<double>(static_cast<std::int32_t>(bits));
    case 0x05: return static_cast<double>(static_cast<std::int64_t>(bits));
    case 0x07:
    case 0x08: return std::bit_cast<double>(bits);
    default: throw std::runtime_error("not a numeric column");
  }
}

using Key = std::vector<std::optional<double>>;  // nullopt sorts first

struct WrittenCase {
  const char* name;
  int rooms;
  bool memos;
};

class WrittenIndexes : public ::testing::TestWithParam<WrittenCase> {};

TEST_P(WrittenIndexes, EveryIndexIsASoundTreeOverEveryRowInValueOrder) {
  const WrittenCase& c = GetParam();
  const std::string path = testing::ScratchPath("rooms.mdb");
  CreateRoomDatabase(path, RoomDatabaseOptions{c.rooms, c.memos});
  FilePages file(path);
  const auto tables = testing::UserTableDefinitions(file);
  ASSERT_EQ(tables.size(), 2u);
  for (std::uint32_t tdef : tables) {
    const TableInfo table = testing::ReadTableDefinition(file, tdef);
    const auto dataPages = testing::UsageMapPages(file, table.ownedMap);
    std::size_t rowsOnPages = 0;
    for (auto page : dataPages) rowsOnPages += U16(file.page(page) + 12);
    ASSERT_EQ(rowsOnPages, table.rows);
    for (const auto& index : table.indexes) {
      const IndexWalk walk = testing::WalkIndex(file, tdef, index.root);
      ASSERT_TRUE(walk.problems.empty()) << walk.problems.front();
      ASSERT_EQ(walk.entries.size(), table.rows);
      // The index's usage map names exactly the pages of its tree.
      const auto mapped = testing::UsageMapPages(file, index.usageMap);
      EXPECT_EQ(std::set<std::uint32_t>(mapped.begin(), mapped.end()), walk.pages);
      // Every row once, in the order of its values.
      std::set<std::uint32_t> rows;
      std::optional<Key> previous;
      for (const auto& entry : walk.entries) {
        const std::uint32_t pointer = Pointer(entry);
        ASSERT_TRUE(std::binary_search(dataPages.begin(), dataPages.end(), pointer >> 8));
        rows.insert(pointer);
        const auto row = file.row(pointer);
        Key key;
        for (auto column : index.columns) key.push_back(FixedValue(row, table.columns[column], table.columns.size()));
        if (previous) {
          ASSERT_LE(*previous, key);
        }
        previous = key;
      }
      EXPECT_EQ(rows.size(), table.rows);
      if (table.rows > 5000) {
        EXPECT_GE(walk.depth, 2);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Rooms, WrittenIndexes,
                         ::testing::Values(WrittenCase{"None", 0, true}, WrittenCase{"One", 1, true},
                                           WrittenCase{"Sample", 36, true},
                                           WrittenCase{"ThreeLevels", 120000, false}),
                         [](const auto& param) { return std::string(param.param.name); });

// Memo pages belong to their column's usage map, not to the table's: readers
// that walk the table's pages expect rows there.
TEST(WrittenMemos, LongValuePagesAreExactlyThoseOfTheColumnsMap) {
  const std::string path = testing::ScratchPath("memos.mdb");
  // Enough memo pages that the map needs bitmap pages of its own.
  CreateRoomDatabase(path, RoomDatabaseOptions{20000, true});
  FilePages file(path);
  std::set<std::uint32_t> lvalPages;
  for (std::uint32_t n = 0; n < file.count(); ++n) {
    if (file.page(n)[0] == 1 && std::memcmp(file.page(n) + 4, "LVAL", 4) == 0) lvalPages.insert(n);
  }
  ASSERT_GT(lvalPages.size(), 512u);
  std::set<std::uint32_t> mapped;
  for (std::uint32_t tdef : testing::UserTableDefinitions(file)) {
    const TableInfo table = testing::ReadTableDefinition(file, tdef);
    for (const auto& lv : table.longValues) {
      EXPECT_EQ(file.row(lv.ownedMap).at(0), 1) << "a reference map";
      for (auto page : testing::UsageMapPages(file, lv.ownedMap)) mapped.insert(page);
      const auto free = testing::UsageMapPages(file, lv.freeMap);
      EXPECT_LE(free.size(), 1u);
    }
    for (auto page : testing::UsageMapPages(file, table.ownedMap)) {
      EXPECT_EQ(lvalPages.count(page), 0u) << "memo page " << page << " in the table's own map";
    }
  }
  EXPECT_EQ(mapped, lvalPages);
}

// The catalog of a new database against the one Jet itself made.
class CatalogLikeJet : public ::testing::Test {
 protected:
  void SetUp() override {
    jetFile_ = (test::FixtureDir() / "emptyJet4.mdb").string();
    if (!std::filesystem::exists(jetFile_)) GTEST_SKIP() << "fixture missing: " << jetFile_;
    ours_ = testing::ScratchPath("empty.mdb");
    WriterOptions options;
    options.useCurrentTime = false;
    options.created = {2017, 4, 25, 11, 33, 57};
    auto db = DatabaseWriter::create(ours_, options);
    db->finish();
  }
  std::string jetFile_;
  std::string ours_;
};

TEST_F(CatalogLikeJet, SystemTableIndexesHoldTheSameEntries) {
  FilePages jet(jetFile_);
  FilePages ours(ours_);
  for (std::uint32_t tdef : {2u, 3u}) {  // MSysObjects, MSysACEs
    auto entriesOf = [tdef](const FilePages& file) {
      std::vector<testing::PageBytes> all;
      const TableInfo t = testing::ReadTableDefinition(file, tdef);
      // Sorted by their columns, so that index order in the definition does not matter.
      std::vector<testing::IndexInfo> indexes = t.indexes;
      std::sort(indexes.begin(), indexes.end(), [](const auto& a, const auto& b) { return a.columns < b.columns; });
      for (const auto& index : indexes) {
        const IndexWalk walk = testing::WalkIndex(file, tdef, index.root);
        EXPECT_TRUE(walk.problems.empty());
        for (auto e : walk.entries) {
          // Data pages are numbered differently; the rows and keys must agree.
          std::fill(e.end() - 4, e.end() - 1, 0);
          all.push_back(e);
        }
      }
      return all;
    };
    EXPECT_EQ(entriesOf(ours), entriesOf(jet)) << "table definition page " << tdef;
  }
}

TEST_F(CatalogLikeJet, SystemTablesHaveTheSameSchema) {
  if (!test::OnPath("mdb-schema")) GTEST_SKIP() << "mdbtools (mdb-schema) is not installed";
  for (const char* table : {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"}) {
    auto schema = [table](const std::string& path) {
      return test::Run({"mdb-schema", "--indexes", "-T", table, path, "mysql"}).out;
    };
    EXPECT_EQ(schema(ours_), schema(jetFile_)) << table;
  }
}

TEST_F(CatalogLikeJet, CatalogRowsMatchApartFromPagesAndTimes) {
  if (!test::OnPath("mdb-export")) GTEST_SKIP() << "mdbtools (mdb-export) is not installed";
  for (const char* table : {"MSysObjects", "MSysACEs"}) {
    const auto ours = testing::ReadWithMdbExport(ours_, table);
    const auto jet = testing::ReadWithMdbExport(jetFile_, table);
    ASSERT_EQ(ours.size(), jet.size()) << table;
    for (std::size_t r = 0; r < ours.size(); ++r) {
      for (std::size_t c = 0; c < ours[r].size(); ++c) {
        EXPECT_EQ(ours[r][c].text, jet[r][c].text) << table << " row " << r << " column " << c;
      }
    }
  }
}

TEST_F(CatalogLikeJet, HeaderFieldsMatch) {
  FilePages jet(jetFile_);
  FilePages ours(ours_);
  // Everything on page 0 but the creation date's fraction (0x72..0x79) and a
  // value of unknown meaning at 0x6a.
  for (std::size_t i = 0; i < 4096; ++i) {
    if ((i >= 0x6a && i < 0x6e) || (i >= 0x72 && i < 0x7a)) continue;
    EXPECT_EQ(ours.page(0)[i], jet.page(0)[i]) << "header byte " << i;
  }
}

}  // namespace
}  // namespace jet::writer
