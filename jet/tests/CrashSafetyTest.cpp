// A clear stopped at every step that changes the disk, under every model of
// what a crash keeps, must leave the database, once opened again, byte for
// byte as it was or as a finished clear leaves it (and mdbtools and
// mdb-reader, on a sample, must read it so). An I/O error at any step
// must leave it as it was, at once, with the connection still usable.

#include <gtest/gtest.h>

#include <iostream>

#include "FaultEnv.h"
#include "Journal.h"
#include "TestSupport.h"
#include "jet/Database.h"

namespace jet {
namespace {

using Loss = test::FaultEnv::Loss;

constexpr char kPath[] = "db.mdb";

struct ClearCase {
  const char* file;
  const char* table;
};

// Moved (overflow) rows, indexes with many pages of rows, long values, in
// both versions.
const ClearCase kCases[] = {
    {"overflowTestV2000.mdb", "Table1"},     {"overflowTestV1997.mdb", "Table1"},
    {"indexTestV2000.mdb", "Table1"},        {"indexTestV1997.mdb", "Table1"},
    {"compIndexTestV2000.mdb", "Table1"},    {"compIndexTestV1997.mdb", "Table1"},
    {"test2V2000.mdb", "MSP_PROJECTS"},      {"test2V1997.mdb", "MSP_PROJECTS"},
    {"testV2000.mdb", "Table1"},             {"testIndexCodesV1997.mdb", "Table1"},
    {"testIndexPropertiesV2000.mdb", "TableIgnoreNulls2"},
};

const Loss kLosses[] = {Loss::kNothingLost, Loss::kUnflushedLost, Loss::kSomeUnflushedLost};

const char* Name(Loss loss) {
  switch (loss) {
    case Loss::kNothingLost: return "process killed";
    case Loss::kUnflushedLost: return "power cut, unflushed writes lost";
    default: return "power cut, some unflushed writes kept";
  }
}

class CrashSafety : public testing::TestWithParam<ClearCase> {
 protected:
  void SetUp() override {
    if (test::FixtureDir().empty()) GTEST_SKIP() << "../shared/fixtures/access is absent";
    original_ = test::ReadFile(test::FixtureDir() / GetParam().file);
    sql_ = std::string("DELETE FROM [") + GetParam().table + "]";
    // The clear once without faults: the other state allowed, and its steps.
    test::FaultEnv env;
    env.Put(kPath, original_);
    rows_ = Database::Open(kPath, {}, &env)->Execute(sql_);
    cleared_ = env.Get(kPath);
    steps_ = env.log();
    ASSERT_GT(rows_, 0);
    ASSERT_NE(cleared_, original_);
    first_db_write_ = *env.FirstStep(std::string("write ") + kPath);
    journal_removed_ = *env.FirstStep("remove " + JournalPath(kPath));
  }

  // Opens the database again after a crash, which rolls back, and checks the
  // file. Returns true when it is the original.
  bool ExpectWholeAfterReopen(test::FaultEnv& env, const std::string& trace) {
    SCOPED_TRACE(trace);
    auto db = Database::Open(kPath, {}, &env);
    const auto bytes = env.Get(kPath);
    const bool original = bytes == original_;
    EXPECT_TRUE(original || bytes == cleared_) << "the file is neither as it was nor cleared";
    EXPECT_FALSE(env.Exists(JournalPath(kPath))) << "the journal outlived the reopening";
    return original;
  }

  // The file as independent readers see it: the table has all its rows or
  // none, and the other tables are as they were.
  void CheckWithReaders(const std::vector<std::uint8_t>& bytes, bool with_mdb_reader, const std::string& trace) {
    SCOPED_TRACE(trace);
    test::TempDir dir;
    const auto file = dir.path() / "db.mdb";
    test::WriteFile(file, bytes);
    const auto before = test::FixtureDir() / GetParam().file;
    const bool as_before = bytes == original_;
    for (const std::string& table : test::MdbTables(before)) {
      const std::string now = test::MdbExport(file, table);
      if (table != GetParam().table || as_before) {
        EXPECT_EQ(now, test::MdbExport(before, table)) << table;
      } else {
        EXPECT_EQ(test::CountExportedRows(now), 0u) << table;
      }
    }
    if (!with_mdb_reader) return;
    const auto then = test::MdbReaderTables(before);
    const auto now = test::MdbReaderTables(file);
    ASSERT_EQ(now.size(), then.size());
    for (const auto& [name, json] : then) {
      if (name != GetParam().table || as_before) {
        EXPECT_EQ(now.at(name), json) << name;
      } else {
        EXPECT_NE(now.at(name).find("\"rows\":[]"), std::string::npos) << now.at(name).substr(0, 200);
      }
    }
  }

  std::vector<std::uint8_t> original_;
  std::vector<std::uint8_t> cleared_;
  std::string sql_;
  std::int64_t rows_ = 0;
  std::vector<std::string> steps_;
  std::uint64_t first_db_write_ = 0;
  std::uint64_t journal_removed_ = 0;
};

TEST_P(CrashSafety, EveryCrashPointLeavesTheOriginalOrTheClearedFile) {
  const bool mdbtools = test::HaveMdbTools();
  if (!mdbtools) std::cerr << "note: mdbtools not on PATH; byte comparisons only\n";
  const bool mdb_reader = test::HaveMdbReader();
  std::size_t runs = 0;
  std::size_t rolled_back = 0;
  for (std::uint64_t cut = 0; cut < steps_.size(); ++cut) {
    for (Loss loss : kLosses) {
      const std::string trace = GetParam().file + std::string(": crash at step ") + std::to_string(cut) +
                                " (" + steps_[cut] + "), " + Name(loss);
      test::FaultEnv env;
      env.Put(kPath, original_);
      {
        auto db = Database::Open(kPath, {}, &env);
        env.CrashAt(env.steps() + cut);
        try {
          db->Execute(sql_);
        } catch (const Error&) {
        }
      }
      env.Restart(loss, static_cast<std::uint32_t>(cut * 3 + static_cast<std::uint64_t>(loss)));
      const bool original = ExpectWholeAfterReopen(env, trace);
      ++runs;
      rolled_back += original ? 1 : 0;
      if (cut <= first_db_write_) {
        EXPECT_TRUE(original) << trace << ": the database changed before its journal was safe";
      }
      if (cut > journal_removed_ && loss == Loss::kNothingLost) {
        EXPECT_FALSE(original) << trace << ": a finished clear was undone";
      }
      if (testing::Test::HasFailure()) return;

      // A sample checked by mdbtools: around the start and the end of the
      // database's writes, where a mix would show.
      const std::uint64_t middle = (first_db_write_ + journal_removed_) / 2;
      const bool sampled = cut == first_db_write_ || cut == first_db_write_ + 1 || cut == journal_removed_ ||
                           cut + 1 == steps_.size() || cut == middle;
      if (mdbtools && sampled && loss == Loss::kSomeUnflushedLost) {
        CheckWithReaders(env.Get(kPath), mdb_reader && cut == middle, trace);
      }

      // The file clears as usual afterwards.
      auto again = Database::Open(kPath, {}, &env);
      EXPECT_EQ(again->Execute(sql_), original ? rows_ : 0) << trace;
      EXPECT_EQ(env.Get(kPath), cleared_) << trace;
    }
  }
  std::cout << GetParam().file << " [" << GetParam().table << "]: " << steps_.size() << " steps, " << runs
            << " crashes, " << rolled_back << " rolled back, " << runs - rolled_back << " found cleared\n";
}

TEST_P(CrashSafety, AnIoErrorAtAnyStepLeavesTheFileAsItWas) {
  for (std::uint64_t cut = 0; cut < steps_.size(); ++cut) {
    const std::string trace = GetParam().file + std::string(": error at step ") + std::to_string(cut) + " (" +
                              steps_[cut] + ")";
    SCOPED_TRACE(trace);
    test::FaultEnv env;
    env.Put(kPath, original_);
    auto db = Database::Open(kPath, {}, &env);
    env.FailAt(env.steps() + cut);
    bool done = true;
    try {
      db->Execute(sql_);
    } catch (const Error& e) {
      done = false;
      EXPECT_EQ(e.code(), Error::Code::kIo) << e.what();
      EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("the database was left as it was"), std::string::npos) << e.what();
    }
    // Only a failed flush of the folder after the journal went may pass
    // unreported: the clear is whole by then.
    EXPECT_EQ(done, cut > journal_removed_);
    EXPECT_EQ(env.Get(kPath), done ? cleared_ : original_);
    EXPECT_FALSE(env.Exists(JournalPath(kPath)));
    // The same connection goes on.
    EXPECT_EQ(db->Execute(sql_), done ? 0 : rows_);
    EXPECT_EQ(env.Get(kPath), cleared_);
    if (testing::Test::HasFailure()) return;
  }
}

// Rolling back is itself interrupted, at each of its steps: the next open
// finishes it.
TEST_P(CrashSafety, ACrashWhileRollingBackIsFinishedByTheNextOpen) {
  for (Loss loss : kLosses) {
    // The worst moment to die: the database fully written, the journal not
    // yet removed.
    test::FaultEnv base;
    base.Put(kPath, original_);
    {
      auto db = Database::Open(kPath, {}, &base);
      base.CrashAt(journal_removed_);
      EXPECT_THROW(db->Execute(sql_), Error);
    }
    base.Restart(Loss::kNothingLost);
    ASSERT_EQ(base.Get(kPath), cleared_);
    ASSERT_TRUE(base.Exists(JournalPath(kPath)));
    const auto journal = base.Get(JournalPath(kPath));

    for (std::uint64_t cut = 0;; ++cut) {
      const std::string trace = std::string(GetParam().file) + ": rollback cut at step " + std::to_string(cut) +
                                ", " + Name(loss);
      test::FaultEnv env;
      env.Put(kPath, cleared_);
      env.Put(JournalPath(kPath), journal);
      env.CrashAt(cut);
      bool finished = true;
      try {
        Database::Open(kPath, {}, &env);
      } catch (const Error&) {
        finished = false;
      }
      env.Restart(loss, static_cast<std::uint32_t>(cut));
      EXPECT_TRUE(ExpectWholeAfterReopen(env, trace)) << trace;
      if (testing::Test::HasFailure() || finished) break;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CrashSafety, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ClearCase>& param) {
                           std::string name = param.param.file;
                           name = name.substr(0, name.find('.'));
                           return name;
                         });

}  // namespace
}  // namespace jet
