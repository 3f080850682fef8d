// The journal file itself: what counts as complete, what a recovery does
// with a complete, a cut short and a foreign journal, and when the database
// refuses to open because of one.

#include <gtest/gtest.h>

#include "Journal.h"
#include "TestSupport.h"
#include "jet/Database.h"

namespace jet {
namespace {

constexpr char kDb[] = "db.mdb";
constexpr std::uint32_t kPage = 4096;

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t salt) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + salt);
  return bytes;
}

class JournalTest : public testing::Test {
 protected:
  JournalTest() : database_(Pattern(8 * kPage, 1)) { env_.Put(kDb, database_); }

  // A sealed journal changing three ranges of the database to `changed_`.
  std::vector<std::uint8_t> Journal(std::uint64_t database_size = 8 * kPage) {
    changed_ = database_;
    JournalWriter writer(env_, JournalPath(kDb), kPage, database_size);
    for (std::uint64_t at : {kPage + 10ull, 3ull * kPage, 6ull * kPage + 4000}) {
      const auto after = Pattern(96, static_cast<std::uint8_t>(at));
      writer.Add(at, std::span(database_).subspan(at, after.size()), after);
      std::copy(after.begin(), after.end(), changed_.begin() + static_cast<std::ptrdiff_t>(at));
    }
    writer.Seal();
    return env_.Get(JournalPath(kDb));
  }

  Recovery Recover() {
    auto file = env_.Open(kDb, Access::kReadWrite);
    return RecoverJournal(env_, kDb, *file);
  }

  MemEnv env_;
  std::vector<std::uint8_t> database_;
  std::vector<std::uint8_t> changed_;
};

TEST_F(JournalTest, ACompleteJournalPutsTheOriginalBytesBackAndGoes) {
  const auto journal = Journal();
  env_.Put(kDb, changed_);
  EXPECT_EQ(Recover(), Recovery::kRolledBack);
  EXPECT_EQ(env_.Get(kDb), database_);
  EXPECT_FALSE(env_.Exists(JournalPath(kDb)));
  EXPECT_EQ(Recover(), Recovery::kNothing);
}

TEST_F(JournalTest, AJournalCutShortOrDamagedAnywhereIsOnlyRemoved) {
  const auto journal = Journal();
  std::vector<std::vector<std::uint8_t>> broken;
  for (std::size_t length = 0; length < journal.size(); ++length) {
    broken.emplace_back(journal.begin(), journal.begin() + static_cast<std::ptrdiff_t>(length));
  }
  for (std::size_t at = 0; at < journal.size(); ++at) {
    broken.push_back(journal);
    broken.back()[at] ^= 0x20;
  }
  for (std::size_t i = 0; i < broken.size(); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    env_.Put(kDb, database_);
    env_.Put(JournalPath(kDb), broken[i]);
    EXPECT_EQ(Recover(), Recovery::kDiscarded);
    EXPECT_EQ(env_.Get(kDb), database_);
    EXPECT_FALSE(env_.Exists(JournalPath(kDb)));
    if (HasFailure()) return;
  }
}

TEST_F(JournalTest, AJournalForAnotherFileIsRefusedAndBothStay) {
  Journal(9 * kPage);
  try {
    Recover();
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), Error::Code::kDamaged);
    EXPECT_NE(std::string(e.what()).find("remove the journal only if the database is known to be sound"),
              std::string::npos)
        << e.what();
  }
  EXPECT_EQ(env_.Get(kDb), database_);
  EXPECT_TRUE(env_.Exists(JournalPath(kDb)));
}

TEST_F(JournalTest, EntriesOutsideTheDatabaseAreRefusedBeforeAnyIsUsed) {
  JournalWriter writer(env_, JournalPath(kDb), kPage, 8 * kPage);
  const auto after = Pattern(16, 9);
  writer.Add(kPage, std::span(database_).subspan(kPage, 16), after);
  writer.Add(8 * kPage - 8, std::span(after).first(16), after);  // runs past the end
  writer.Seal();
  try {
    Recover();
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), Error::Code::kDamaged);
    EXPECT_NE(std::string(e.what()).find("cannot undo an interrupted change: the journal has an entry"),
              std::string::npos)
        << e.what();
  }
  EXPECT_EQ(env_.Get(kDb), database_);
  EXPECT_TRUE(env_.Exists(JournalPath(kDb)));
}

// The database as Open meets it with a journal of an interrupted clear.
class InterruptedClear : public testing::Test {
 protected:
  void SetUp() override {
    if (test::FixtureDir().empty()) GTEST_SKIP() << "../shared/fixtures/access is absent";
    original_ = test::ReadFile(test::FixtureDir() / "testV2000.mdb");
    MemEnv env;
    env.Put(kDb, original_);
    Database::Open(kDb, {}, &env)->Execute("DELETE FROM Table1");
    cleared_ = env.Get(kDb);
    // The journal such a clear writes, as a crash after the database was
    // written would leave it.
    env.Put(kDb, original_);
    JournalWriter writer(env, JournalPath(kDb), kPage, original_.size());
    for (std::size_t at = 0; at < original_.size(); ++at) {
      if (original_[at] != cleared_[at]) writer.Add(at, std::span(original_).subspan(at, 1), std::span(cleared_).subspan(at, 1));
    }
    writer.Seal();
    journal_ = env.Get(JournalPath(kDb));
  }

  std::vector<std::uint8_t> original_;
  std::vector<std::uint8_t> cleared_;
  std::vector<std::uint8_t> journal_;
};

TEST_F(InterruptedClear, OpenRollsItBack) {
  MemEnv env;
  env.Put(kDb, cleared_);
  env.Put(JournalPath(kDb), journal_);
  auto db = Database::Open(kDb, {}, &env);
  EXPECT_EQ(env.Get(kDb), original_);
  EXPECT_FALSE(env.Exists(JournalPath(kDb)));
  EXPECT_EQ(db->Execute("DELETE FROM Table1"), 2);
}

TEST_F(InterruptedClear, AReadOnlyDatabaseWithAJournalDoesNotOpen) {
  MemEnv env;
  env.Put(kDb, cleared_, /*read_only=*/true);
  env.Put(JournalPath(kDb), journal_);
  try {
    Database::Open(kDb, {}, &env);
    FAIL() << "opened a half-changed database";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), Error::Code::kReadOnly) << e.what();
    EXPECT_NE(std::string(e.what()).find("must be undone from db.mdb-journal"), std::string::npos) << e.what();
  }
  EXPECT_EQ(env.Get(kDb), cleared_);
  EXPECT_TRUE(env.Exists(JournalPath(kDb)));
}

TEST_F(InterruptedClear, WhileAnotherProgramHoldsTheFileTheJournalIsLeftAlone) {
  MemEnv env;
  env.Put(kDb, cleared_);
  env.Put(JournalPath(kDb), journal_);
  env.SetLockedElsewhere(kDb, true);
  try {
    Database::Open(kDb, {}, &env);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), Error::Code::kInUse) << e.what();
    EXPECT_NE(std::string(e.what()).find("in use by another program"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(env.Exists(JournalPath(kDb)));
  env.SetLockedElsewhere(kDb, false);
  Database::Open(kDb, {}, &env);
  EXPECT_EQ(env.Get(kDb), original_);
}

}  // namespace
}  // namespace jet
