#pragma once

// The basic settings dialog: the four door-lock settings as plain text fields.

#include "vcl/Forms.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TBaseItemsFrm : public vcl::TDialogForm {
  Q_OBJECT

 public:
  explicit TBaseItemsFrm(QWidget* owner);

  QLabel* lbl1;
  QLineEdit* edtDelayMinutes;
  QLabel* lbl2;
  QLineEdit* edtDelayMinutes2;
  QLabel* lbl3;
  QLineEdit* edtUseNativeDoorlockDb;
  QLabel* lbl5;
  QLabel* lbl4;
  QLineEdit* edtSaveDoorlockRecord;
  QLabel* lbl6;
  QPushButton* btnOK;
  QPushButton* btnCancel;

  void FormCreate();
  void btnOKClick();
  void btnCancelClick();
};
