#pragma once

// The database clearing dialog: the room table is emptied only when the box is
// ticked and the button pressed.

#include "vcl/Forms.h"

class QCheckBox;

class TMDBClearFrm : public vcl::TDialogForm {
  Q_OBJECT

 public:
  explicit TMDBClearFrm(QWidget* owner);

  QCheckBox* chkClearMDB;
  QPushButton* btnOK;

  void btnOKClick();
};
