// Clears every user table of every fixture database, one table per fresh
// copy, and checks the result with readers that share no code with the
// engine: mdbtools (mdb-export, mdb-count) and mdb-reader.

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "Bytes.h"
#include "TestSupport.h"
#include "jet/Database.h"
#include "jet/Format.h"

namespace jet {
namespace {

using test::fs::path;

// Definition page of each user table, from the catalog as mdbtools reads it.
std::map<std::string, std::uint32_t> TablePages(const path& file) {
  const auto r = test::Run({"mdb-export", "-Q", "-d", "\x1f", "-R", "\x1e\n", file.string(), "MSysObjects"});
  if (r.exit_code != 0) throw std::runtime_error("mdb-export MSysObjects failed: " + r.err);
  std::map<std::string, std::uint32_t> pages;
  std::stringstream rows(r.out);
  std::string row;
  std::getline(rows, row);  // header
  while (std::getline(rows, row, '\x1e')) {
    if (!row.empty() && row[0] == '\n') row.erase(0, 1);
    std::vector<std::string> fields;
    std::stringstream cells(row);
    std::string cell;
    while (fields.size() < 4 && std::getline(cells, cell, '\x1f')) fields.push_back(cell);
    if (fields.size() == 4 && fields[3] == "1") {
      pages[fields[2]] = static_cast<std::uint32_t>(std::stoll(fields[0])) & 0xffffffu;
    }
  }
  return pages;
}

// Every byte that changed must belong to the cleared table: the row offset
// tables of its data pages, its index pages, its definition pages.
void ExpectChangesConfinedToTable(const std::vector<std::uint8_t>& before,
                                  const std::vector<std::uint8_t>& after, std::uint32_t tdef) {
  ASSERT_EQ(before.size(), after.size());
  const Format& f = before[header::kVersionOffset] == header::kVersionJet3 ? Jet3Format() : Jet4Format();
  const std::span<const std::uint8_t> file(before);
  std::set<std::uint32_t> definition;
  for (std::uint32_t p = tdef; p != 0 && definition.insert(p).second;) {
    p = Bytes(file.subspan(std::size_t{p} * f.page_size, f.page_size), "page", p).U32(f.tdef_next_page);
  }
  // The next autonumber value is kept, as Jet keeps it.
  const std::size_t counter = std::size_t{tdef} * f.page_size + f.tdef_autonumber;
  EXPECT_TRUE(std::equal(before.begin() + static_cast<std::ptrdiff_t>(counter),
                         before.begin() + static_cast<std::ptrdiff_t>(counter + 4),
                         after.begin() + static_cast<std::ptrdiff_t>(counter)));
  for (std::uint32_t p = 0; p < before.size() / f.page_size; ++p) {
    const std::size_t base = std::size_t{p} * f.page_size;
    std::size_t first = f.page_size;
    std::size_t last = 0;
    for (std::size_t i = 0; i < f.page_size; ++i) {
      if (before[base + i] != after[base + i]) {
        first = std::min(first, i);
        last = i;
      }
    }
    if (first == f.page_size) continue;
    const Bytes page(file.subspan(base, f.page_size), "page", p);
    const std::uint8_t type = page.U8(0);
    SCOPED_TRACE("page " + std::to_string(p) + " of type " + std::to_string(type) + " changed");
    if (type == page_type::kData) {
      EXPECT_EQ(page.U32(f.data_owner), tdef) << "another table's data page";
      EXPECT_GE(first, f.data_row_table);
      EXPECT_LT(last, f.data_row_table + 2u * page.U16(f.data_row_count)) << "row bytes changed";
    } else if (type == page_type::kIndexNode || type == page_type::kIndexLeaf) {
      EXPECT_EQ(page.U32(f.index_owner), tdef) << "another table's index";
    } else {
      EXPECT_TRUE(type == page_type::kTableDef && definition.count(p)) << "not the table's own page";
    }
  }
}

class FixtureClear : public testing::TestWithParam<std::string> {};

TEST_P(FixtureClear, EveryUserTableClearsAndOthersStayAsTheyWere) {
  if (GetParam().empty()) GTEST_SKIP() << "../shared/fixtures/access is absent";
  if (!test::HaveMdbTools()) GTEST_SKIP() << "mdbtools (mdb-tables, mdb-export, mdb-count) not on PATH";
  const bool reader = test::HaveMdbReader();
  if (!reader) std::cerr << "note: mdb-reader (node tests/tools) unavailable; checking with mdbtools only\n";

  const path fixture = test::FixtureDir() / GetParam();
  const auto original = test::ReadFile(fixture);
  const auto tables = test::MdbTables(fixture);
  const auto pages = TablePages(fixture);
  std::map<std::string, std::string> exported;
  for (const auto& t : tables) exported[t] = test::MdbExport(fixture, t);
  const auto read = reader ? test::MdbReaderTables(fixture) : std::map<std::string, std::string>{};

  for (const std::string& table : tables) {
    SCOPED_TRACE(GetParam() + " [" + table + "]");
    test::TempDir dir;
    const path copy = dir.CopyFixture(GetParam());
    auto db = Database::Open(copy.string());
    std::int64_t deleted = 0;
    try {
      deleted = db->Execute("DELETE * FROM [" + table + "]");
    } catch (const Error& e) {
      // Only a table others refer to may be refused, untouched.
      EXPECT_EQ(e.code(), Error::Code::kRelationship) << e.what();
      EXPECT_EQ(test::ReadFile(copy), original);
      continue;
    }
    EXPECT_EQ(static_cast<std::size_t>(deleted), test::CountExportedRows(exported[table]));

    const std::string after = test::MdbExport(copy, table);
    EXPECT_EQ(test::CountExportedRows(after), 0u) << after;
    EXPECT_EQ(test::Run({"mdb-count", copy.string(), table}).out, "0\n");
    for (const auto& other : tables) {
      if (other != table) {
        EXPECT_EQ(test::MdbExport(copy, other), exported[other]) << other;
      }
    }
    if (reader) {
      const auto now = test::MdbReaderTables(copy);
      ASSERT_EQ(now.size(), read.size());
      for (const auto& [name, json] : read) {
        if (name == table) {
          EXPECT_NE(now.at(name).find("\"rowCount\":0,"), std::string::npos) << now.at(name).substr(0, 200);
          EXPECT_NE(now.at(name).find("\"rows\":[]"), std::string::npos) << now.at(name).substr(0, 200);
        } else {
          EXPECT_EQ(now.at(name), json) << name;
        }
      }
    }
    ASSERT_TRUE(pages.count(table));
    const auto cleared = test::ReadFile(copy);
    ExpectChangesConfinedToTable(original, cleared, pages.at(table));

    // A second clear finds nothing and writes nothing.
    EXPECT_EQ(db->Execute("DELETE FROM [" + table + "]"), 0);
    EXPECT_EQ(test::ReadFile(copy), cleared);
  }
}

std::vector<std::string> Params() {
  auto names = test::FixtureNames();
  if (names.empty()) names.push_back("");  // one test, to say why nothing ran
  return names;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureClear, testing::ValuesIn(Params()), [](const testing::TestParamInfo<std::string>& param) {
  std::string name = param.param.empty() ? "absent" : param.param.substr(0, param.param.find('.'));
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
});

// Our catalog agrees with mdbtools on every fixture: same user tables, same
// stored row counts.
TEST(FixtureCatalog, TablesAndCountsMatchMdbTools) {
  if (test::FixtureDir().empty()) GTEST_SKIP() << "../shared/fixtures/access is absent";
  if (!test::HaveMdbTools()) GTEST_SKIP() << "mdbtools not on PATH";
  for (const auto& name : test::FixtureNames()) {
    SCOPED_TRACE(name);
    const path file = test::FixtureDir() / name;
    std::vector<std::string> ours;
    for (const auto& t : Database::Open(file.string())->Info().tables) {
      if (t.system) continue;
      ours.push_back(t.name);
      EXPECT_EQ(test::Run({"mdb-count", file.string(), t.name}).out, std::to_string(t.row_count) + "\n");
    }
    auto theirs = test::MdbTables(file);
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    EXPECT_EQ(ours, theirs);
  }
}

}  // namespace
}  // namespace jet
