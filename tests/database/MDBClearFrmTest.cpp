#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <memory>
#include <string>

#include "MessageMDBUnit.h"
#include "OperateMDB.h"
#include "RecordingMessageBoxes.h"
#include "TempFolder.h"
#include "TestSupport.h"
#include "writer/SampleDatabase.h"

namespace {

using tarvex::test::ReadBytes;
using testing_support::RecordingMessageBoxes;
using tarvex::test::TempFolder;

const char* const kCleared = "Client.mdb数据清空";

class ClearingDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    jet::writer::CreateSampleClientDatabase(DatabasePath(), 30);
    MessageMDBUnit::Initialization(dir.Directory());
  }
  void TearDown() override { MessageMDBUnit::Finalization(); }

  std::string DatabasePath() const { return dir.File("Client.mdb"); }

  std::unique_ptr<TMDBClearFrm> Open() {
    auto form = std::make_unique<TMDBClearFrm>(nullptr);
    form->show();
    return form;
  }

  TempFolder dir;
  RecordingMessageBoxes boxes;
};

TEST_F(ClearingDialog, OpensUntickedWithItsCaptionAndControls) {
  auto form = Open();
  EXPECT_EQ(form->windowTitle(), QStringLiteral("数据库清空"));
  EXPECT_FALSE(form->chkClearMDB->isChecked());
  EXPECT_EQ(form->chkClearMDB->text(), QStringLiteral("清空Client数据库"));
  EXPECT_EQ(form->chkClearMDB->geometry(), QRect(80, 64, 129, 17));
  EXPECT_EQ(form->btnOK->text(), QStringLiteral("确认"));
  EXPECT_EQ(form->btnOK->geometry(), QRect(96, 112, 75, 25));
  EXPECT_FALSE(form->btnOK->isDefault() || form->btnOK->autoDefault());
  EXPECT_EQ(form->frameGeometry().size(), QSize(292, 213));
}

TEST_F(ClearingDialog, UntickedPressChangesNothingAndShowsNothing) {
  const std::string before = ReadBytes(DatabasePath());
  auto form = Open();
  form->btnOK->click();
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(ReadBytes(DatabasePath()), before);
  EXPECT_TRUE(form->isVisible());
}

TEST_F(ClearingDialog, TickedPressEmptiesTheRoomTableAndSaysSoEachTime) {
  const bool haveTools = jet::test::HaveMdbTools();
  const std::string neighbourBefore =
      haveTools ? jet::test::MdbExport(DatabasePath(), "T_Building") : "";
  auto form = Open();
  form->chkClearMDB->setChecked(true);
  form->btnOK->click();
  form->btnOK->click();

  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kCleared, kCleared}));
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->chkClearMDB->isChecked());
  if (!haveTools) GTEST_SKIP() << "mdbtools is not installed: the independent check was skipped";
  EXPECT_EQ(jet::test::CountExportedRows(jet::test::MdbExport(DatabasePath(), "T_Room")), 0U);
  EXPECT_EQ(jet::test::MdbExport(DatabasePath(), "T_Building"), neighbourBefore);
  if (jet::test::HaveMdbReader()) {
    const auto tables = jet::test::MdbReaderTables(DatabasePath());
    EXPECT_NE(tables.at("T_Room").find("\"rows\":[]"), std::string::npos) << tables.at("T_Room");
  }
}

TEST_F(ClearingDialog, AFailedDeleteShowsTheProvidersMessageAndNoSuccess) {
  auto form = Open();
  form->chkClearMDB->setChecked(true);
  // Another file in the database's place makes every statement fail.
  std::filesystem::resize_file(DatabasePath(), 100);
  form->btnOK->click();
  ASSERT_EQ(boxes.boxes.size(), 1U);
  EXPECT_NE(boxes.boxes[0].text, kCleared);
  EXPECT_FALSE(boxes.boxes[0].text.empty());
}

TEST_F(ClearingDialog, ReopeningShowsTheBoxUntickedAgain) {
  {
    auto form = Open();
    form->chkClearMDB->setChecked(true);
    form->close();
  }
  auto again = Open();
  EXPECT_FALSE(again->chkClearMDB->isChecked());
}

}  // namespace
