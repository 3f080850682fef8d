#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <stdexcept>
#include <string>
#include <vector>

#include "ModuleList.h"
#include "Program.h"
#include "RecordingMessageBoxes.h"
#include "vcl/Application.h"

namespace {

using shell::Module;
using shell::ModuleList;
using testing_support::RecordingMessageBoxes;

// Module table whose steps log what ran; `failAt` names a module whose start-up
// step raises.
struct Journal {
  std::vector<std::string> steps;

  Module Make(const std::string& name, bool withStart, bool withStop,
              const std::string& failAt = "") {
    Module module{name, {}, {}};
    if (withStart) {
      module.initialization = [this, name, failAt] {
        steps.push_back("start " + name);
        if (name == failAt) throw std::runtime_error(name + " cannot start");
      };
    }
    if (withStop) module.finalization = [this, name] { steps.push_back("stop " + name); };
    return module;
  }

  ModuleList Program(const std::string& failAt = "") {
    return ModuleList({Make("BaseItemsOptionUnit", true, false, failAt),
                       Make("SetBaseItemsUnit", false, false, failAt),
                       Make("MessageMDBUnit", true, true, failAt),
                       Make("OperateMDB", false, false, failAt),
                       Make("TarvexUnit", false, false, failAt)});
  }
};

// "Runtime error 217 at " and eight upper-case hexadecimal digits.
bool IsRuntimeErrorText(const std::string& text) {
  const std::string prefix = "Runtime error 217 at ";
  if (text.size() != prefix.size() + 8 || !text.starts_with(prefix)) return false;
  return text.find_first_not_of("0123456789ABCDEF", prefix.size()) == std::string::npos;
}

TEST(ModuleList, StartsTopToBottomAndStopsBottomToTop) {
  Journal journal;
  ModuleList modules({journal.Make("a", true, true), journal.Make("b", true, true),
                      journal.Make("c", false, true)});
  modules.Initialize();
  modules.Finalize();
  EXPECT_EQ(journal.steps, (std::vector<std::string>{"start a", "start b", "stop c", "stop b",
                                                     "stop a"}));
}

TEST(ModuleList, AFailedStartStopsEveryModuleWhoseStepBeganIncludingTheFailingOne) {
  Journal journal;
  ModuleList modules({journal.Make("a", true, true), journal.Make("b", true, true, "b"),
                      journal.Make("c", true, true)});
  EXPECT_THROW(modules.Initialize(), std::runtime_error);
  EXPECT_EQ(journal.steps, (std::vector<std::string>{"start a", "start b", "stop b", "stop a"}));
  modules.Finalize();  // nothing is stopped twice
  EXPECT_EQ(journal.steps.size(), 4U);
}

TEST(RuntimeErrorText, HasTheNumberInDecimalAndEightUpperCaseHexDigits) {
  EXPECT_EQ(shell::RuntimeErrorText(217, 0x40a1b2), "Runtime error 217 at 0040A1B2");
  EXPECT_EQ(shell::RuntimeErrorText(217, 0), "Runtime error 217 at 00000000");
  EXPECT_EQ(shell::RuntimeErrorText(217, 0xDEADBEEF), "Runtime error 217 at DEADBEEF");
}

TEST(RunProgram, AFailedStartUpShowsOnlyTheRuntimeErrorBoxAndExitsWith217) {
  vcl::TApplication application("/opt/client/Tarvex");
  RecordingMessageBoxes boxes;
  Journal journal;
  ModuleList modules = journal.Program("MessageMDBUnit");

  ::testing::internal::CaptureStderr();
  const int exitCode = shell::RunProgram(modules);
  const std::string stderrText = ::testing::internal::GetCapturedStderr();

  EXPECT_EQ(exitCode, 217);
  EXPECT_EQ(journal.steps,
            (std::vector<std::string>{"start BaseItemsOptionUnit", "start MessageMDBUnit",
                                      "stop MessageMDBUnit"}));
  ASSERT_EQ(boxes.boxes.size(), 1U);
  EXPECT_TRUE(IsRuntimeErrorText(boxes.boxes[0].text)) << boxes.boxes[0].text;
  EXPECT_EQ(boxes.boxes[0].caption, "Error");
  EXPECT_EQ(boxes.boxes[0].flags, vcl::MB_OK);
  EXPECT_FALSE(boxes.boxes[0].hadOwner);
  EXPECT_FALSE(application.Initialized());
  EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty()) << "a window was created";
  EXPECT_NE(stderrText.find("MessageMDBUnit cannot start"), std::string::npos) << stderrText;
}

TEST(RunProgram, ClosingTheMainWindowStopsTheModulesAndExitsWithZero) {
  vcl::TApplication application("/opt/client/Tarvex");
  RecordingMessageBoxes boxes;
  Journal journal;
  ModuleList modules = journal.Program();
  QString caption;
  QTimer::singleShot(0, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* window = qobject_cast<QMainWindow*>(widget)) {
        caption = window->windowTitle();
        window->close();
      }
    }
  });
  EXPECT_EQ(shell::RunProgram(modules), 0);
  EXPECT_EQ(caption, "ToolFrm");
  EXPECT_TRUE(application.Initialized());
  EXPECT_EQ(journal.steps.back(), "stop MessageMDBUnit");
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
