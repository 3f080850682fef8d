#include "TarvexUnit.h"

#include <QAction>
#include <QMenuBar>
#include <memory>

#include "OperateMDB.h"
#include "SetBaseItemsUnit.h"
#include "vcl/Forms.h"

namespace {

// Creates the dialog owned by the main window, runs it modally and destroys it,
// also when showing it raises.
template <typename Dialog>
void RunDialog(QWidget* owner) {
  const std::unique_ptr<Dialog> dialog = std::make_unique<Dialog>(owner);
  vcl::ShowModal(*dialog);
}

}  // namespace

TToolFrm::TToolFrm(QWidget* owner) : QMainWindow(owner) {
  setObjectName(QStringLiteral("ToolFrm"));
  setWindowTitle(QStringLiteral("ToolFrm"));
  vcl::ApplyFormLook(*this);
  vcl::SetOuterGeometry(*this, 423, 249, vcl::Placement::DesktopCentre);

  mmtool = menuBar();
  mmtool->setObjectName(QStringLiteral("mmtool"));
  // Top-level commands in their own right: no sub-items, no shortcut keys.
  mniSetBaseItems = mmtool->addAction(QStringLiteral("设置"));
  mniSetBaseItems->setObjectName(QStringLiteral("mniSetBaseItems"));
  mniMDBClear = mmtool->addAction(QStringLiteral("数据库"));
  mniMDBClear->setObjectName(QStringLiteral("mniMDBClear"));

  vcl::OnTrigger(mniSetBaseItems, [this] { mniSetBaseItemsClick(); });
  vcl::OnTrigger(mniMDBClear, [this] { mniMDBClearClick(); });
}

void TToolFrm::mniSetBaseItemsClick() { RunDialog<TBaseItemsFrm>(this); }

void TToolFrm::mniMDBClearClick() { RunDialog<TMDBClearFrm>(this); }
