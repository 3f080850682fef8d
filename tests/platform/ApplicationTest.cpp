#include <gtest/gtest.h>

#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <stdexcept>

#include "RecordingMessageBoxes.h"
#include "rtl/SysUtils.h"
#include "vcl/Application.h"
#include "vcl/Forms.h"

namespace {

using testing_support::RecordingMessageBoxes;
using testing_support::ShownBox;

struct TitleCase {
  const char* exeName;
  const char* title;
};

class ApplicationTitle : public ::testing::TestWithParam<TitleCase> {};

TEST_P(ApplicationTitle, IsTheFileNameCutAtItsFirstDotWithTheRestInLowerCase) {
  EXPECT_EQ(vcl::ApplicationTitle(GetParam().exeName), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(Cases, ApplicationTitle,
                         ::testing::Values(TitleCase{"/opt/client/Tarvex", "Tarvex"},
                                           TitleCase{"/opt/client/TARVEX", "Tarvex"},
                                           TitleCase{"/opt/client/tarvex", "tarvex"},
                                           TitleCase{"/opt/my.dir/Tool.Main.exe", "Tool"},
                                           TitleCase{"Tarvex.EXE", "Tarvex"},
                                           TitleCase{"/opt/client/.hidden", ""}));

struct ReportCase {
  const char* message;
  const char* shown;
};

class ErrorReportText : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ErrorReportText, AddsAFullStopOnlyAfterCharactersAboveCode46) {
  EXPECT_EQ(vcl::ErrorReportText(GetParam().message), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ErrorReportText,
    ::testing::Values(ReportCase{"", ""}, ReportCase{"Unable to write to /x/Option.ini",
                                                     "Unable to write to /x/Option.ini."},
                      ReportCase{"'abc' is not a valid integer value",
                                 "'abc' is not a valid integer value."},
                      ReportCase{"ends in digit 7", "ends in digit 7."},
                      ReportCase{"ends in slash/", "ends in slash/."},  // '/' is 47
                      ReportCase{"already.", "already."}, ReportCase{"dash -", "dash -"},
                      ReportCase{"comma,", "comma,"}, ReportCase{"paren)", "paren)"},
                      ReportCase{"blank ", "blank "}, ReportCase{"quote'", "quote'"},
                      ReportCase{"中文", "中文."}));

TEST(DefaultErrorReport, ShowsTheTextWithTitleErrorIconAndOneButton) {
  RecordingMessageBoxes boxes;
  vcl::Application->Dispatch([] { throw rtl::EConvertError("'x' is not a valid integer value"); });
  ASSERT_EQ(boxes.boxes.size(), 1U);
  const ShownBox& box = boxes.boxes[0];
  EXPECT_EQ(box.kind, ShownBox::Kind::MessageBox);
  EXPECT_EQ(box.text, "'x' is not a valid integer value.");
  EXPECT_EQ(box.caption, "Tarvex");
  EXPECT_EQ(box.flags, vcl::MB_OK | vcl::MB_ICONSTOP);
}

TEST(DefaultErrorReport, AHandlerThatRaisesInsideAModalLoopLeavesTheLoopRunning) {
  RecordingMessageBoxes boxes;
  QDialog dialog;
  auto* raise = new QPushButton("raise", &dialog);
  int clicks = 0;
  vcl::OnClick(raise, [&] {
    ++clicks;
    throw std::runtime_error("handler failed");
  });
  // Press the button twice while the dialog runs modally, then close it.
  QTimer::singleShot(0, &dialog, [&] {
    raise->click();
    raise->click();
    EXPECT_TRUE(dialog.isVisible());
    dialog.reject();
  });
  vcl::ShowModal(dialog);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"handler failed.", "handler failed."}));
}

TEST(PlainMessageDialog, IsCaptionedWithTheTitleAndHasNoIcon) {
  RecordingMessageBoxes boxes;
  vcl::ShowMessage("Client.mdb数据清空");
  ASSERT_EQ(boxes.boxes.size(), 1U);
  EXPECT_EQ(boxes.boxes[0].kind, ShownBox::Kind::PlainMessage);
  EXPECT_EQ(boxes.boxes[0].caption, "Tarvex");
  EXPECT_EQ(boxes.boxes[0].text, "Client.mdb数据清空");
}

TEST(ApplicationDirectory, IsTheExecutablesFolderWithATrailingSeparator) {
  const std::string dir = rtl::ApplicationDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_EQ(rtl::ExtractFilePath(rtl::ExeName()), dir);
  EXPECT_EQ(rtl::ExtractFileName("/a/b/Option.ini"), "Option.ini");
  EXPECT_EQ(rtl::ExtractFilePath("/a/b/Option.ini"), "/a/b/");
}

}  // namespace
