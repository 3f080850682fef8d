#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "MessageMDBUnit.h"
#include "RecordingMessageBoxes.h"
#include "TempFolder.h"
#include "com/ComObj.h"
#include "jet/Database.h"
#include "writer/DatabaseWriter.h"
#include "writer/SampleDatabase.h"

namespace {

using tarvex::test::ReadBytes;
using testing_support::RecordingMessageBoxes;
using tarvex::test::TempFolder;
using tarvex::test::WriteBytes;

std::int64_t StoredRows(const std::string& path, const std::string& table) {
  const auto database = jet::Database::Open(path);
  for (const auto& info : database->Info().tables) {
    if (info.name == table) return info.row_count;
  }
  return -1;
}

TEST(ConnectionString, IsTheThreeFixedPiecesAroundThePath) {
  const std::string path = "/opt/client/Client.mdb";
  const std::string text = MessageMDBUnit::ConnectionStringFor(path);
  EXPECT_EQ(text,
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/opt/client/Client.mdb ;Persist "
            "Security Info=False;Jet OLEDB:Database Password=");
  EXPECT_EQ(text.size(), 45 + path.size() + 58);
}

// Each test starts outside any COM apartment and must leave it that way.
class DatabaseModule : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(com::ApartmentDepth(), 0); }
  void TearDown() override {
    if (MessageMDB || com::ApartmentDepth() > 0) MessageMDBUnit::Finalization();
  }

  std::string DatabasePath() const { return dir.File("Client.mdb"); }
  void MakeSample(int rooms) { jet::writer::CreateSampleClientDatabase(DatabasePath(), rooms); }

  TempFolder dir;
  RecordingMessageBoxes boxes;
};

TEST_F(DatabaseModule, StartUpOpensClientMdbInTheApplicationDirectoryAndShutdownLeavesCom) {
  MakeSample(5);
  MessageMDBUnit::Initialization(dir.Directory());
  ASSERT_NE(MessageMDB, nullptr);
  EXPECT_EQ(MessageMDB->DatabasePath, DatabasePath());
  EXPECT_TRUE(MessageMDB->Connection->Connected());
  EXPECT_EQ(MessageMDB->Query->Connection(), MessageMDB->Connection.get());
  EXPECT_EQ(com::ApartmentDepth(), 1);

  MessageMDBUnit::Finalization();
  EXPECT_EQ(MessageMDB, nullptr);
  EXPECT_EQ(com::ApartmentDepth(), 0);
}

TEST_F(DatabaseModule, AMissingClientMdbEndsStartUpAndShutdownStillReleasesEverything) {
  EXPECT_THROW(MessageMDBUnit::Initialization(dir.Directory()), std::exception);
  EXPECT_NE(MessageMDB, nullptr) << "MessageMDB is stored before the open";
  MessageMDBUnit::Finalization();
  EXPECT_EQ(MessageMDB, nullptr);
  EXPECT_EQ(com::ApartmentDepth(), 0);
  EXPECT_FALSE(std::filesystem::exists(DatabasePath())) << "the open created a file";
}

TEST_F(DatabaseModule, APasswordProtectedDatabaseIsRefusedAtStartUp) {
  MakeSample(3);
  // Jet 4 keeps the password, masked, at 0x42 of the header page; any non-blank
  // byte there once unmasked means a password is set. The sample's own bytes
  // there are the mask itself, so flipping one gives a one-letter password.
  std::string bytes = ReadBytes(DatabasePath());
  bytes[0x42] = static_cast<char>(bytes[0x42] ^ 'k');
  WriteBytes(DatabasePath(), bytes);
  try {
    MessageMDBUnit::Initialization(dir.Directory());
    FAIL() << "a protected database was opened";
  } catch (const std::exception& error) {
    EXPECT_NE(std::string(error.what()).find("password"), std::string::npos) << error.what();
  }
  EXPECT_EQ(ReadBytes(DatabasePath()), bytes);
}

TEST_F(DatabaseModule, ClearRoomTableEmptiesTheTableAndSecondCallDeletesNothing) {
  MakeSample(40);
  MessageMDBUnit::Initialization(dir.Directory());
  EXPECT_TRUE(MessageMDB->ClearRoomTable());
  EXPECT_EQ(MessageMDB->Query->SQL, "DELETE * FROM T_Room");
  EXPECT_EQ(StoredRows(DatabasePath(), "T_Room"), 0);
  const std::string afterFirst = ReadBytes(DatabasePath());
  EXPECT_TRUE(MessageMDB->ClearRoomTable());
  EXPECT_EQ(ReadBytes(DatabasePath()), afterFirst) << "the second clear changed the file";
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(DatabaseModule, AnEmptyRoomTableClearsWithoutError) {
  MakeSample(0);
  MessageMDBUnit::Initialization(dir.Directory());
  EXPECT_TRUE(MessageMDB->ClearRoomTable());
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(DatabaseModule, AMissingRoomTableIsShownOnceAndALaterCallTriesAgain) {
  {
    auto writer = jet::writer::DatabaseWriter::create(DatabasePath());
    jet::writer::TableWriter& buildings = writer->addTable(jet::writer::BuildingTableDef());
    buildings.addRow(jet::writer::SampleBuildingRow(0));
    writer->finish();
  }
  MessageMDBUnit::Initialization(dir.Directory());
  const std::string before = ReadBytes(DatabasePath());

  EXPECT_FALSE(MessageMDB->ClearRoomTable());
  ASSERT_EQ(boxes.boxes.size(), 1U);
  EXPECT_EQ(boxes.boxes[0].kind, testing_support::ShownBox::Kind::PlainMessage);
  EXPECT_NE(boxes.boxes[0].text.find("T_Room"), std::string::npos) << boxes.boxes[0].text;
  EXPECT_NE(boxes.boxes[0].text.back(), '.') << "trailing full stops are removed";

  EXPECT_FALSE(MessageMDB->ClearRoomTable());
  EXPECT_EQ(boxes.boxes.size(), 2U);
  EXPECT_TRUE(MessageMDB->Connection->Connected());
  EXPECT_EQ(ReadBytes(DatabasePath()), before);
}

}  // namespace
