#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>

#include "BaseItemsOptionUnit.h"
#include "RecordingMessageBoxes.h"
#include "SetBaseItemsUnit.h"
#include "TempFolder.h"

namespace {

using tarvex::test::ReadBytes;
using testing_support::RecordingMessageBoxes;
using tarvex::test::TempFolder;
using tarvex::test::WriteBytes;

const char* const kRestartNotice = "请重新启动程序,以启用设置的参数！";

class SettingsDialog : public ::testing::Test {
 protected:
  void SetUp() override { BaseItemsOptionUnit::Initialization(dir.Directory()); }

  std::string IniPath() const { return dir.File("Option.ini"); }

  std::unique_ptr<TBaseItemsFrm> Open() {
    auto form = std::make_unique<TBaseItemsFrm>(nullptr);
    form->show();
    return form;
  }

  static void Fill(TBaseItemsFrm& form, const char* minutes, const char* minutes2,
                   const char* useNative, const char* saveRecord) {
    form.edtDelayMinutes->setText(QString::fromUtf8(minutes));
    form.edtDelayMinutes2->setText(QString::fromUtf8(minutes2));
    form.edtUseNativeDoorlockDb->setText(QString::fromUtf8(useNative));
    form.edtSaveDoorlockRecord->setText(QString::fromUtf8(saveRecord));
  }

  TempFolder dir;
  RecordingMessageBoxes boxes;
};

TEST_F(SettingsDialog, ShowsTheDefaultsWhenOptionIniIsMissing) {
  auto form = Open();
  EXPECT_EQ(form->windowTitle(), QStringLiteral("基本设置"));
  EXPECT_EQ(form->edtDelayMinutes->text(), "0");
  EXPECT_EQ(form->edtDelayMinutes2->text(), "0");
  EXPECT_EQ(form->edtUseNativeDoorlockDb->text(), "1");
  EXPECT_EQ(form->edtSaveDoorlockRecord->text(), "0");
  EXPECT_FALSE(std::filesystem::exists(IniPath()));
}

TEST_F(SettingsDialog, TypicalUseWritesTheFourKeysAndShowsTheRestartNotice) {
  auto form = Open();
  form->edtDelayMinutes->setText("15");
  form->btnOK->click();

  EXPECT_EQ(ReadBytes(IniPath()),
            "[DoorlockOption]\r\nDelayMinutes=15\r\nDelayMinutes2=0\r\n"
            "UseNativeDoorlockDb=1\r\nSaveDoorlockRecord=0\r\n");
  ASSERT_EQ(boxes.boxes.size(), 1U);
  EXPECT_EQ(boxes.boxes[0].text, kRestartNotice);
  EXPECT_EQ(boxes.boxes[0].caption, "提示");
  EXPECT_EQ(boxes.boxes[0].flags, 0x40U);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->result(), QDialog::Accepted);
}

// What confirming the dialog does with the four texts, starting from stored
// values 5, 6, true, true.
struct ConfirmCase {
  const char* name;
  const char* texts[4];
  std::optional<std::int32_t> minutes, minutes2;  // nullopt: the conversion error
  bool useNative, saveRecord;
  const char* error;  // the error report's text, or ""
};

class ConfirmTexts : public SettingsDialog, public ::testing::WithParamInterface<ConfirmCase> {};

TEST_P(ConfirmTexts, StoreWhatTheRulesAccept) {
  const ConfirmCase& c = GetParam();
  BaseItemsOption->DelayMinutes = 5;
  BaseItemsOption->DelayMinutes2 = 6;
  BaseItemsOption->UseNativeDoorlockDb = true;
  BaseItemsOption->SaveDoorlockRecord = true;
  auto form = Open();
  Fill(*form, c.texts[0], c.texts[1], c.texts[2], c.texts[3]);
  form->btnOK->click();

  if (c.minutes && c.minutes2) {
    EXPECT_EQ(BaseItemsOption->DelayMinutes, *c.minutes);
    EXPECT_EQ(BaseItemsOption->DelayMinutes2, *c.minutes2);
    EXPECT_EQ(BaseItemsOption->UseNativeDoorlockDb, c.useNative);
    EXPECT_EQ(BaseItemsOption->SaveDoorlockRecord, c.saveRecord);
    TBaseItemsOption reread(IniPath());
    reread.LoadOptions();
    EXPECT_EQ(reread.DelayMinutes, *c.minutes);
    EXPECT_EQ(reread.DelayMinutes2, *c.minutes2);
    EXPECT_EQ(reread.UseNativeDoorlockDb, c.useNative);
    EXPECT_EQ(reread.SaveDoorlockRecord, c.saveRecord);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kRestartNotice});
    EXPECT_FALSE(form->isVisible());
  } else {
    EXPECT_EQ(BaseItemsOption->DelayMinutes, c.minutes.value_or(5));
    EXPECT_EQ(BaseItemsOption->DelayMinutes2, 6);
    EXPECT_FALSE(std::filesystem::exists(IniPath()));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{c.error});
    EXPECT_TRUE(form->isVisible()) << "the dialog stays open for correction";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfirmTexts,
    ::testing::Values(
        ConfirmCase{"Plain", {"15", "30", "1", "0"}, 15, 30, true, false, ""},
        ConfirmCase{"Negative", {"-10", "0", "0", "1"}, -10, 0, false, true, ""},
        ConfirmCase{"HexAndPadded", {"$1E", "0x1E", "1", "1"}, 30, 30, true, true, ""},
        ConfirmCase{"LeadingZerosAndBlanks", {"0030", "  20", "1", "1"}, 30, 20, true, true, ""},
        ConfirmCase{"SwitchTextsOtherThan1Or0KeepTheValue",
                    {"1", "2", "1 ", "01"}, 1, 2, true, true, ""},
        ConfirmCase{"SwitchWordsKeepTheValue", {"1", "2", "yes", ""}, 1, 2, true, true, ""},
        ConfirmCase{"TrailingBlank", {"20 ", "1", "1", "1"}, std::nullopt, std::nullopt, true,
                    true, "'20 ' is not a valid integer value."},
        ConfirmCase{"Fraction", {"1.5", "1", "1", "1"}, std::nullopt, std::nullopt, true, true,
                    "'1.5' is not a valid integer value."},
        ConfirmCase{"Empty", {"", "1", "1", "1"}, std::nullopt, std::nullopt, true, true,
                    "'' is not a valid integer value."},
        ConfirmCase{"Word", {"abc", "1", "1", "1"}, std::nullopt, std::nullopt, true, true,
                    "'abc' is not a valid integer value."},
        ConfirmCase{"SecondInvalidKeepsTheFirstInMemoryOnly", {"12", "abc", "0", "0"}, 12,
                    std::nullopt, true, true, "'abc' is not a valid integer value."}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(SettingsDialog, AFirstValueStoredBeforeAFailureShowsOnReopeningButNotInTheFile) {
  WriteBytes(IniPath(), "[DoorlockOption]\r\nDelayMinutes=7\r\n");
  BaseItemsOption->LoadOptions();
  const std::string before = ReadBytes(IniPath());
  {
    auto form = Open();
    Fill(*form, "12", "abc", "1", "0");
    form->btnOK->click();
    form->btnCancel->click();
  }
  auto again = Open();
  EXPECT_EQ(again->edtDelayMinutes->text(), "12");
  EXPECT_EQ(ReadBytes(IniPath()), before);
}

TEST_F(SettingsDialog, ARefusedSaveIsReportedWithTheFullPathAndTheDialogStaysOpen) {
  WriteBytes(IniPath(), "[DoorlockOption]\r\nDelayMinutes=7\r\n");
  ::chmod(IniPath().c_str(), 0444);
  const std::string before = ReadBytes(IniPath());
  auto form = Open();
  Fill(*form, "15", "30", "0", "1");
  form->btnOK->click();

  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Unable to write to " + IniPath() + "."});
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(ReadBytes(IniPath()), before);
  EXPECT_EQ(BaseItemsOption->DelayMinutes, 15);
  EXPECT_EQ(BaseItemsOption->SaveDoorlockRecord, true);
}

TEST_F(SettingsDialog, CancelStoresNothing) {
  WriteBytes(IniPath(), "[DoorlockOption]\r\nDelayMinutes=7\r\n");
  BaseItemsOption->LoadOptions();
  const std::string before = ReadBytes(IniPath());
  auto form = Open();
  Fill(*form, "99", "98", "0", "1");
  form->btnCancel->click();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(BaseItemsOption->DelayMinutes, 7);
  EXPECT_EQ(BaseItemsOption->UseNativeDoorlockDb, true);
  EXPECT_EQ(ReadBytes(IniPath()), before);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SettingsDialog, ClosingByTheFrameStoresNothing) {
  auto form = Open();
  Fill(*form, "99", "98", "0", "1");
  form->close();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(BaseItemsOption->DelayMinutes, 0);
  EXPECT_FALSE(std::filesystem::exists(IniPath()));
}

TEST_F(SettingsDialog, EscPressesNothingAndEnterPressesOnlyTheFocusedButton) {
  auto form = Open();
  QApplication::setActiveWindow(form.get());
  form->edtDelayMinutes->setFocus();
  form->edtDelayMinutes->setText("15");

  QTest::keyClick(form->edtDelayMinutes, Qt::Key_Escape);
  EXPECT_TRUE(form->isVisible()) << "Esc closed the dialog";
  QTest::keyClick(form->edtDelayMinutes, Qt::Key_Return);
  EXPECT_TRUE(form->isVisible()) << "Enter in an edit pressed a button";
  EXPECT_FALSE(std::filesystem::exists(IniPath()));
  EXPECT_FALSE(form->btnOK->isDefault() || form->btnOK->autoDefault());
  EXPECT_FALSE(form->btnCancel->isDefault() || form->btnCancel->autoDefault());

  form->btnOK->setFocus();
  QTest::keyClick(form->btnOK, Qt::Key_Return);
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(std::filesystem::exists(IniPath()));
}

TEST_F(SettingsDialog, EnterOnTheFocusedCancelButtonCancels) {
  auto form = Open();
  QApplication::setActiveWindow(form.get());
  form->edtDelayMinutes->setText("15");
  form->btnCancel->setFocus();
  QTest::keyClick(form->btnCancel, Qt::Key_Enter);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->result(), QDialog::Rejected);
  EXPECT_FALSE(std::filesystem::exists(IniPath()));
}

TEST_F(SettingsDialog, TabVisitsTheEditsThenTheButtonsInOrder) {
  auto form = Open();
  QApplication::setActiveWindow(form.get());
  form->edtDelayMinutes->setFocus();
  const std::vector<QWidget*> order = {form->edtDelayMinutes2, form->edtUseNativeDoorlockDb,
                                       form->edtSaveDoorlockRecord, form->btnOK,
                                       form->btnCancel, form->edtDelayMinutes};
  for (QWidget* expected : order) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), expected) << expected->objectName().toStdString();
  }
}

TEST_F(SettingsDialog, ControlsSitWhereTheFormPlacesThem) {
  auto form = Open();
  EXPECT_EQ(form->edtDelayMinutes->geometry(), QRect(200, 19, 121, 21));
  EXPECT_EQ(form->lbl3->geometry(), QRect(32, 104, 233, 13));
  EXPECT_EQ(form->lbl5->text(), QStringLiteral("1启用，0不启用"));
  EXPECT_EQ(form->lbl4->text(), QStringLiteral("启用本地数据库记录发卡记录:"));
  EXPECT_EQ(form->btnCancel->geometry(), QRect(232, 208, 75, 25));
  EXPECT_EQ(form->frameGeometry().size(), QSize(455, 283));
}

}  // namespace
