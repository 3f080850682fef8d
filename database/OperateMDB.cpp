#include "OperateMDB.h"

#include <QCheckBox>

#include "MessageMDBUnit.h"
#include "vcl/Application.h"

TMDBClearFrm::TMDBClearFrm(QWidget* owner) : vcl::TDialogForm(owner) {
  setObjectName(QStringLiteral("MDBClearFrm"));
  setWindowTitle(QStringLiteral("数据库清空"));
  vcl::SetOuterGeometry(*this, 292, 213, vcl::Placement::OwnerCentre);

  chkClearMDB = new QCheckBox(QStringLiteral("清空Client数据库"), this);
  chkClearMDB->setObjectName(QStringLiteral("chkClearMDB"));
  chkClearMDB->setGeometry(80, 64, 129, 17);
  chkClearMDB->setChecked(false);
  btnOK = vcl::MakeButton(this, "btnOK", QStringLiteral("确认"), {96, 112, 75, 25});
  setTabOrder(chkClearMDB, btnOK);
  chkClearMDB->setFocus();

  vcl::OnClick(btnOK, [this] { btnOKClick(); });
}

void TMDBClearFrm::btnOKClick() {
  if (!chkClearMDB->isChecked()) return;
  if (MessageMDB->ClearRoomTable()) vcl::ShowMessage("Client.mdb数据清空");
}
