#include "SetBaseItemsUnit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "BaseItemsOptionUnit.h"
#include "rtl/SysUtils.h"
#include "vcl/Forms.h"
#include "vcl/MessageBoxes.h"

namespace {

QLabel* MakeLabel(QWidget* form, const char* name, const QString& caption, QRect geometry) {
  auto* label = new QLabel(caption, form);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  return label;
}

QLineEdit* MakeEdit(QWidget* form, const char* name, const QString& text, QRect geometry) {
  auto* edit = new QLineEdit(text, form);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setGeometry(geometry);
  return edit;
}

// The hint labels are drawn in the system's window-frame colour.
void UseWindowFrameColour(QLabel* label) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, QColor(Qt::black));
  label->setPalette(palette);
}

// "1" and "0", byte for byte, are the only texts a switch understands; any other
// leaves the value as it was.
void ReadSwitch(const QLineEdit* edit, bool& value) {
  const std::string text = edit->text().toStdString();
  if (text == "1") {
    value = true;
  } else if (text == "0") {
    value = false;
  }
}

}  // namespace

TBaseItemsFrm::TBaseItemsFrm(QWidget* owner) : vcl::TDialogForm(owner) {
  setObjectName(QStringLiteral("BaseItemsFrm"));
  setWindowTitle(QStringLiteral("基本设置"));
  vcl::SetOuterGeometry(*this, 455, 283, vcl::Placement::OwnerCentre);

  lbl1 = MakeLabel(this, "lbl1", QStringLiteral("门卡起始时间的提前量:"), {32, 24, 153, 13});
  edtDelayMinutes = MakeEdit(this, "edtDelayMinutes", QStringLiteral("0"), {200, 19, 121, 21});
  lbl2 = MakeLabel(this, "lbl2", QStringLiteral("门卡结束时间的延迟量:"), {32, 64, 153, 13});
  edtDelayMinutes2 = MakeEdit(this, "edtDelayMinutes2", QStringLiteral("0"), {200, 56, 121, 21});
  lbl3 = MakeLabel(this, "lbl3", QStringLiteral("启用本地数据库记录上一次发卡时间:"),
                   {32, 104, 233, 13});
  edtUseNativeDoorlockDb =
      MakeEdit(this, "edtUseNativeDoorlockDb", QStringLiteral("1"), {272, 96, 121, 21});
  lbl5 = MakeLabel(this, "lbl5", QStringLiteral("1启用，0不启用"), {272, 128, 105, 13});
  lbl4 = MakeLabel(this, "lbl4", QStringLiteral("启用本地数据库记录发卡记录:"), {32, 160, 193, 13});
  edtSaveDoorlockRecord =
      MakeEdit(this, "edtSaveDoorlockRecord", QStringLiteral("1"), {232, 152, 121, 21});
  lbl6 = MakeLabel(this, "lbl6", QStringLiteral("1启用，0不启用"), {232, 184, 105, 13});
  btnOK = vcl::MakeButton(this, "btnOK", QStringLiteral("确认"), {104, 208, 75, 25});
  btnCancel = vcl::MakeButton(this, "btnCancel", QStringLiteral("取消"), {232, 208, 75, 25});
  UseWindowFrameColour(lbl5);
  UseWindowFrameColour(lbl6);

  setTabOrder(edtDelayMinutes, edtDelayMinutes2);
  setTabOrder(edtDelayMinutes2, edtUseNativeDoorlockDb);
  setTabOrder(edtUseNativeDoorlockDb, edtSaveDoorlockRecord);
  setTabOrder(edtSaveDoorlockRecord, btnOK);
  setTabOrder(btnOK, btnCancel);
  edtDelayMinutes->setFocus();

  vcl::OnClick(btnOK, [this] { btnOKClick(); });
  vcl::OnClick(btnCancel, [this] { btnCancelClick(); });
  vcl::Application->Dispatch([this] { FormCreate(); });
}

void TBaseItemsFrm::FormCreate() {
  edtDelayMinutes->setText(QString::number(BaseItemsOption->DelayMinutes));
  edtDelayMinutes2->setText(QString::number(BaseItemsOption->DelayMinutes2));
  edtUseNativeDoorlockDb->setText(BaseItemsOption->UseNativeDoorlockDb ? QStringLiteral("1")
                                                                       : QStringLiteral("0"));
  edtSaveDoorlockRecord->setText(BaseItemsOption->SaveDoorlockRecord ? QStringLiteral("1")
                                                                     : QStringLiteral("0"));
}

void TBaseItemsFrm::btnOKClick() {
  BaseItemsOption->DelayMinutes = rtl::StrToInt(edtDelayMinutes->text().toStdString());
  BaseItemsOption->DelayMinutes2 = rtl::StrToInt(edtDelayMinutes2->text().toStdString());
  ReadSwitch(edtUseNativeDoorlockDb, BaseItemsOption->UseNativeDoorlockDb);
  ReadSwitch(edtSaveDoorlockRecord, BaseItemsOption->SaveDoorlockRecord);
  BaseItemsOption->SaveOptions();
  vcl::Application->MessageBox("请重新启动程序,以启用设置的参数！", "提示",
                               vcl::MB_OK | vcl::MB_ICONINFORMATION);
  accept();
}

void TBaseItemsFrm::btnCancelClick() { reject(); }

