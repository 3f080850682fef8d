// The sample Client.mdb: a room table of plausible rooms and a neighbour
// table, as the readers see them; and the command that makes one.
#include <gtest/gtest.h>

#include <filesystem>

#include "SampleDatabase.h"
#include "WriterTestSupport.h"

namespace jet::writer {
namespace {

struct SampleCase {
  const char* name;
  int rooms;
  bool memos;
};

class SampleDatabase : public ::testing::TestWithParam<SampleCase> {
 protected:
  void SetUp() override {
    path_ = testing::ScratchPath("Client.mdb");
    CreateRoomDatabase(path_, RoomDatabaseOptions{GetParam().rooms, GetParam().memos});
    for (int i = 0; i < GetParam().rooms; ++i) {
      auto row = SampleRoomRow(i, GetParam().memos);
      row[0].setInt(i + 1);
      rooms_.push_back(std::move(row));
    }
    for (int i = 0; i < kSampleBuildings; ++i) {
      auto row = SampleBuildingRow(i);
      row[0].setInt(i + 1);
      buildings_.push_back(std::move(row));
    }
  }
  std::string path_;
  std::vector<std::vector<Value>> rooms_;
  std::vector<std::vector<Value>> buildings_;
};

TEST_P(SampleDatabase, MdbToolsReadRoomsAndBuildings) {
  if (!test::OnPath("mdb-export")) GTEST_SKIP() << "mdbtools (mdb-export) is not installed";
  EXPECT_EQ(test::Run({"mdb-tables", "-1", path_}).out, "T_Building\nT_Room\n");
  testing::ExpectRows(testing::ReadWithMdbExport(path_, "T_Room"), rooms_, RoomTableDef().columns,
                      testing::Reader::kMdbExport);
  testing::ExpectRows(testing::ReadWithMdbExport(path_, "T_Building"), buildings_, BuildingTableDef().columns,
                      testing::Reader::kMdbExport);
}

TEST_P(SampleDatabase, MdbReaderReadsRoomsAndBuildings) {
  if (!test::HaveMdbReader()) GTEST_SKIP() << "mdb-reader (node, tests/tools) is not installed";
  testing::ExpectRows(testing::ReadWithMdbReader(path_, "T_Room"), rooms_, RoomTableDef().columns,
                      testing::Reader::kMdbReader);
  testing::ExpectRows(testing::ReadWithMdbReader(path_, "T_Building"), buildings_, BuildingTableDef().columns,
                      testing::Reader::kMdbReader);
}

INSTANTIATE_TEST_SUITE_P(Cases, SampleDatabase,
                         ::testing::Values(SampleCase{"Default", 36, true}, SampleCase{"NoMemos", 36, false},
                                           SampleCase{"NoRooms", 0, true},
                                           // Reaches the rooms whose remarks span pages.
                                           SampleCase{"Hotel", 2500, true}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(SampleRooms, LookLikeAHotel) {
  const auto first = SampleRoomRow(0, true);
  EXPECT_EQ(*first[1].get<std::string>(), "10101");
  const auto later = SampleRoomRow(365, true);  // building 2 starts at 360
  EXPECT_EQ(*later[1].get<std::string>(), "20106");
  EXPECT_EQ(*later[2].get<std::int64_t>(), 2);
  EXPECT_TRUE(SampleRoomRow(5, false)[10].isNull());
  EXPECT_THROW(SampleBuildingRow(kSampleBuildings), std::out_of_range);
}

TEST(SampleTool, CreatesTheRequestedRooms) {
  if (!test::OnPath("mdb-count")) GTEST_SKIP() << "mdbtools (mdb-count) is not installed";
  const std::string path = testing::ScratchPath("tool.mdb");
  EXPECT_EQ(test::Run({TARVEX_JET_TOOL, "create-sample", path, "--rooms", "321", "--no-memos"}).exit_code, 0);
  EXPECT_EQ(test::Run({"mdb-count", path, "T_Room"}).out, "321\n");
  for (const auto& row : testing::ReadWithMdbExport(path, "T_Room")) EXPECT_TRUE(row.at(10).null);  // Remark
  const std::string defaults = testing::ScratchPath("defaults.mdb");
  EXPECT_EQ(test::Run({TARVEX_JET_TOOL, "create-sample", defaults}).exit_code, 0);
  EXPECT_EQ(test::Run({"mdb-count", defaults, "T_Room"}).out, "36\n");
}

TEST(SampleTool, RefusesBadArguments) {
  const std::string path = testing::ScratchPath("bad.mdb");
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"create-sample"}, {"create-sample", path, "--rooms"}, {"create-sample", path, "--rooms", "-3"},
           {"create-sample", path, "--rooms", "1x"}, {"create-sample", path, "--color"}}) {
    std::vector<std::string> argv{TARVEX_JET_TOOL};
    argv.insert(argv.end(), args.begin(), args.end());
    EXPECT_EQ(test::Run(argv).exit_code, 1) << args.size() << " arguments";
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(test::Run({TARVEX_JET_TOOL, "create-sample", "/no/such/folder/x.mdb"}).exit_code, 1);
}

}  // namespace
}  // namespace jet::writer
