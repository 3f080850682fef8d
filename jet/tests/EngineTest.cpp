// The engine on real files in memory: statements on one long-lived
// connection, refusals that must leave the file alone, locking, encoded
// databases and damaged structures.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "Catalog.h"
#include "DataPage.h"
#include "Header.h"
#include "PageCodec.h"
#include "Row.h"
#include "Text.h"
#include "TestSupport.h"
#include "jet/Database.h"
#include "jet/Format.h"

namespace jet {
namespace {

class EngineTest : public testing::Test {
 protected:
  void SetUp() override {
    if (test::FixtureDir().empty()) GTEST_SKIP() << "../shared/fixtures/access is absent";
  }

  std::unique_ptr<Database> OpenFixture(const std::string& name, bool read_only = false) {
    bytes_ = test::ReadFile(test::FixtureDir() / name);
    env_.Put(name, bytes_, read_only);
    return Database::Open(name, {}, &env_);
  }

  // Runs `sql`, expecting a refusal with `code` whose text has `part`, and
  // the file unchanged.
  void ExpectRefused(Database& db, const std::string& sql, Error::Code code, const std::string& part) {
    const auto before = env_.Get(db.path());
    try {
      db.Execute(sql);
      ADD_FAILURE() << "ran: " << sql;
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), code) << e.what();
      EXPECT_EQ(std::string(e.what()).rfind(db.path() + ": ", 0), 0u) << e.what();
      EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
    }
    EXPECT_EQ(env_.Get(db.path()), before);
  }

  MemEnv env_;
  std::vector<std::uint8_t> bytes_;
};

TEST_F(EngineTest, MissingTableIsAnErrorAndTheConnectionStaysUsable) {
  auto db = OpenFixture("testV2000.mdb");
  ExpectRefused(*db, "DELETE * FROM T_Room", Error::Code::kTableNotFound, "cannot find the table 'T_Room'");
  ExpectRefused(*db, "DELETE * FROM T_Room", Error::Code::kTableNotFound, "'T_Room'");
  EXPECT_EQ(db->Execute("delete * from TABLE1"), 2);  // names match in any letter case
  const auto cleared = env_.Get("testV2000.mdb");
  EXPECT_EQ(db->Execute("DELETE FROM Table1"), 0);
  EXPECT_EQ(env_.Get("testV2000.mdb"), cleared) << "clearing an empty table wrote to the file";
}

TEST_F(EngineTest, EmptyTableClearsWithoutWriting) {
  auto db = OpenFixture("queryTestV2000.mdb");
  EXPECT_EQ(db->Execute("DELETE * FROM Table1"), 0);
  EXPECT_EQ(env_.Get("queryTestV2000.mdb"), bytes_);
}

TEST_F(EngineTest, UnsupportedStatementLeavesFileAlone) {
  auto db = OpenFixture("testV2000.mdb");
  ExpectRefused(*db, "SELECT * FROM Table1", Error::Code::kUnsupportedStatement, "unsupported statement");
  ExpectRefused(*db, "DELETE * FROM Table1 WHERE 1=1", Error::Code::kUnsupportedStatement, "unsupported statement");
}

TEST_F(EngineTest, SystemTablesAndQueriesAreRefused) {
  auto db = OpenFixture("queryTestV2000.mdb");
  ExpectRefused(*db, "DELETE FROM MSysObjects", Error::Code::kNotATable, "'MSysObjects' is a system table");
  ExpectRefused(*db, "DELETE FROM msysqueries", Error::Code::kNotATable, "is a system table");
  ExpectRefused(*db, "DELETE FROM [SelectQuery]", Error::Code::kNotATable, "'SelectQuery' is a query");
}

TEST_F(EngineTest, ReferencedTableWithReferringRowsIsRefused) {
  for (const char* name : {"indexTestV2000.mdb", "indexTestV1997.mdb"}) {
    SCOPED_TRACE(name);
    auto db = OpenFixture(name);
    ExpectRefused(*db, "DELETE FROM Table2", Error::Code::kRelationship,
                  "rows of table 'Table1' refer to them");
    ExpectRefused(*db, "DELETE FROM Table3", Error::Code::kRelationship,
                  "rows of table 'Table1' refer to them");
    // With the referring rows gone the referenced tables clear.
    EXPECT_EQ(db->Execute("DELETE FROM Table1"), 4);
    EXPECT_EQ(db->Execute("DELETE FROM Table2"), 3);
    EXPECT_EQ(db->Execute("DELETE FROM Table3"), 4);
  }
}

TEST_F(EngineTest, FileInUseIsRefusedAtOnce) {
  auto db = OpenFixture("testV2000.mdb");
  env_.SetLockedElsewhere("testV2000.mdb", true);
  ExpectRefused(*db, "DELETE FROM Table1", Error::Code::kInUse, "in use by another program");
  env_.SetLockedElsewhere("testV2000.mdb", false);
  EXPECT_EQ(db->Execute("DELETE FROM Table1"), 2);
}

TEST_F(EngineTest, LockHeldByAnotherOpenFileIsRefused) {
  test::TempDir dir;
  const auto path = dir.CopyFixture("testV2000.mdb");
  auto db = Database::Open(path.string());
  // The system's own lock through a second open file, as another program holds it.
  auto other = Env::Default()->Open(path.string(), Access::kReadWrite);
  ASSERT_TRUE(other->TryLock());
  try {
    db->Execute("DELETE FROM Table1");
    ADD_FAILURE() << "cleared a locked file";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), Error::Code::kInUse) << e.what();
  }
  other.reset();
  EXPECT_EQ(test::ReadFile(path), test::ReadFile(test::FixtureDir() / "testV2000.mdb"));
  EXPECT_EQ(db->Execute("DELETE FROM Table1"), 2);
}

// Rewrites the catalog's Type of `table`, as if it were another kind of object.
void SetObjectType(MemEnv& env, const std::string& file, const std::string& table, std::uint16_t type) {
  auto bytes = env.Get(file);
  auto handle = env.Open(file, Access::kReadOnly);
  const HeaderInfo info = ReadHeader(*handle);
  const Pager pager(*handle, *info.format, PageCodec(), info.page_count);
  const TableDef def = TableDef::Load(pager, Catalog::kCatalogPage);
  const Column* name = def.FindColumn("Name");
  const Column* kind = def.FindColumn("Type");
  bool found = false;
  ForEachDataPage(pager, def, [&](const Page& page, const DataPage& data) {
    for (std::uint32_t r = 0; r < data.row_count(); ++r) {
      if ((data.raw_slot(r) & (row_flag::kDeleted | row_flag::kOverflow)) != 0) continue;
      const RowSlot slot = data.Slot(r);
      const RowReader row(*info.format, def, page.view().Slice(slot.start, slot.end - slot.start), page.number());
      if (row.Value(*name) && DecodeText(*row.Value(*name), info.format->version) == table) {
        const std::size_t at = std::size_t{page.number()} * info.format->page_size + slot.start +
                               info.format->row_column_count_size + kind->fixed_offset;
        PutU16(&bytes[at], type);
        found = true;
      }
    }
  });
  ASSERT_TRUE(found);
  env.Put(file, bytes);
}

TEST_F(EngineTest, LinkedTablesAreRefused) {
  OpenFixture("testV2000.mdb");
  SetObjectType(env_, "testV2000.mdb", "Table2", 6);
  auto db = Database::Open("testV2000.mdb", {}, &env_);
  ExpectRefused(*db, "DELETE FROM Table2", Error::Code::kNotATable, "'Table2' is a linked table");
  SetObjectType(env_, "testV2000.mdb", "Table2", 4);  // linked through ODBC
  auto again = Database::Open("testV2000.mdb", {}, &env_);
  ExpectRefused(*again, "DELETE FROM Table2", Error::Code::kNotATable, "'Table2' is a linked table");
}

TEST_F(EngineTest, ReadOnlyFileOpensButRefusesToChange) {
  auto db = OpenFixture("testV2000.mdb", /*read_only=*/true);
  EXPECT_TRUE(db->read_only());
  ExpectRefused(*db, "DELETE FROM Table1", Error::Code::kReadOnly, "read-only");
  ExpectRefused(*db, "DELETE FROM NoSuchTable", Error::Code::kTableNotFound, "NoSuchTable");
}

TEST_F(EngineTest, InfoListsTablesWithStoredCounts) {
  auto db = OpenFixture("indexTestV1997.mdb");
  const DatabaseInfo info = db->Info();
  EXPECT_EQ(info.format, "Jet 3 (Access 97)");
  EXPECT_EQ(info.page_size, 2048u);
  EXPECT_EQ(info.page_count, bytes_.size() / 2048);
  EXPECT_FALSE(info.encoded);
  std::vector<std::pair<std::string, std::int64_t>> user;
  for (const auto& t : info.tables) {
    if (!t.system) user.emplace_back(t.name, t.row_count);
  }
  EXPECT_EQ(user, (std::vector<std::pair<std::string, std::int64_t>>{{"Table1", 4}, {"Table2", 3}, {"Table3", 4}}));
}

TEST_F(EngineTest, CyclicTableDefinitionChainIsDamage) {
  auto bytes = test::ReadFile(test::FixtureDir() / "testV2000.mdb");
  const std::uint32_t page = 2;  // the catalog's definition: point it at itself
  std::memcpy(bytes.data() + 4096 * page + Jet4Format().tdef_next_page, &page, 4);
  env_.Put("loop.mdb", bytes);
  try {
    Database::Open("loop.mdb", {}, &env_);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), Error::Code::kDamaged);
    EXPECT_NE(std::string(e.what()).find("in a loop"), std::string::npos) << e.what();
  }
}

// Random damage anywhere after the header: the engine may succeed or refuse,
// but only with jet::Error, and a refusal leaves the file as it was.
TEST_F(EngineTest, RandomDamageGivesErrorsNotCrashes) {
  std::mt19937 random(7);
  for (const char* name : {"testV2000.mdb", "overflowTestV1997.mdb", "indexTestV2000.mdb"}) {
    const auto original = test::ReadFile(test::FixtureDir() / name);
    const std::size_t page = original[header::kVersionOffset] == header::kVersionJet3 ? 2048 : 4096;
    for (int round = 0; round < 150; ++round) {
      auto bytes = original;
      const int flips = 1 + static_cast<int>(random() % 8);
      for (int i = 0; i < flips; ++i) {
        const std::size_t at = page + random() % (bytes.size() - page);
        // Often hit page headers, where the counts and pointers are.
        const std::size_t pos = random() % 2 ? at : (at / page) * page + random() % 96;
        bytes[pos] = static_cast<std::uint8_t>(random());
      }
      env_.Put("damaged.mdb", bytes);
      try {
        auto db = Database::Open("damaged.mdb", {}, &env_);
        for (const char* table : {"Table1", "Table2", "Table3", "Table4"}) {
          const auto before = env_.Get("damaged.mdb");
          try {
            db->Execute(std::string("DELETE FROM ") + table);
          } catch (const Error&) {
            EXPECT_EQ(env_.Get("damaged.mdb"), before) << name << " round " << round;
          }
        }
        db->Info();
      } catch (const Error&) {
      }
    }
  }
}

// An "encoded" database: every page but the header RC4-encoded under a key
// kept in the header. Made from a real file, checked with mdbtools (which
// decodes such files itself), then cleared.
TEST_F(EngineTest, EncodedDatabaseIsReadAndClearedEncoded) {
  if (!test::HaveMdbTools()) GTEST_SKIP() << "mdbtools (mdb-export) not on PATH";
  const Format& f = Jet4Format();
  auto bytes = test::ReadFile(test::FixtureDir() / "testV2000.mdb");
  const std::uint32_t key = 0x5a17c3e1;
  for (std::uint32_t p = 1; p < bytes.size() / f.page_size; ++p) {
    PageCodec(key).Apply(p, 0, std::span<std::uint8_t>(bytes).subspan(std::size_t{p} * f.page_size, f.page_size));
  }
  // The key lies in the masked stretch of the header.
  std::vector<std::uint8_t> stream(f.masked_header_size, 0);
  Rc4Apply(header::kMaskKey, stream);
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t at = header::kEncodingKeyOffset + i;
    bytes[at] = static_cast<std::uint8_t>(static_cast<std::uint8_t>(key >> (8 * i)) ^ stream[at - header::kMaskedOffset]);
  }
  test::TempDir dir;
  const auto path = dir.path() / "encoded.mdb";
  test::WriteFile(path, bytes);
  const auto plain = test::FixtureDir() / "testV2000.mdb";
  ASSERT_EQ(test::MdbExport(path, "Table1"), test::MdbExport(plain, "Table1"));

  auto db = Database::Open(path.string());
  EXPECT_TRUE(db->Info().encoded);
  EXPECT_EQ(db->Execute("DELETE FROM Table1"), 2);
  EXPECT_EQ(test::CountExportedRows(test::MdbExport(path, "Table1")), 0u);
  for (const char* other : {"Table2", "Table3", "Table4"}) {
    EXPECT_EQ(test::MdbExport(path, other), test::MdbExport(plain, other)) << other;
  }
}

}  // namespace
}  // namespace jet
