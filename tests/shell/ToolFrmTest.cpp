#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "BaseItemsOptionUnit.h"
#include "RecordingMessageBoxes.h"
#include "SetBaseItemsUnit.h"
#include "TarvexUnit.h"
#include "TempFolder.h"

namespace {

using testing_support::RecordingMessageBoxes;
using tarvex::test::TempFolder;

// Runs `inside` once the command's dialog is up in its modal loop.
void WhileModal(const std::function<void(QWidget*)>& inside) {
  QTimer::singleShot(0, [inside] { inside(QApplication::activeModalWidget()); });
}

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    BaseItemsOptionUnit::Initialization(dir.Directory());
    form.show();
  }
  TempFolder dir;
  RecordingMessageBoxes boxes;
  TToolFrm form;
};

TEST_F(MainWindow, HasItsCaptionSizeAndTwoTopLevelCommands) {
  EXPECT_EQ(form.windowTitle(), "ToolFrm");
  EXPECT_EQ(form.objectName(), "ToolFrm");
  EXPECT_EQ(form.frameGeometry().size(), QSize(423, 249));
  const QList<QAction*> items = form.mmtool->actions();
  ASSERT_EQ(items.size(), 2);
  EXPECT_EQ(items[0], form.mniSetBaseItems);
  EXPECT_EQ(items[0]->text(), QStringLiteral("设置"));
  EXPECT_EQ(items[1]->text(), QStringLiteral("数据库"));
  for (QAction* item : items) {
    EXPECT_EQ(item->menu(), nullptr) << "a command has sub-items";
    EXPECT_TRUE(item->shortcut().isEmpty());
  }
}

TEST_F(MainWindow, SettingsCommandRunsAFreshModalDialogEachTimeAndDestroysIt) {
  for (int value : {4, 9}) {
    BaseItemsOption->DelayMinutes = value;
    QPointer<QWidget> seen;
    WhileModal([&](QWidget* modal) {
      seen = modal;
      auto* dialog = qobject_cast<TBaseItemsFrm*>(modal);
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->parentWidget(), &form);
      EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
      EXPECT_EQ(dialog->edtDelayMinutes->text(), QString::number(value));
      dialog->btnCancel->click();
    });
    form.mniSetBaseItems->trigger();
    EXPECT_TRUE(seen.isNull()) << "the dialog outlived its command";
  }
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
