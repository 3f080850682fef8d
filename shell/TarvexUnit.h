#pragma once

// The main window: no content of its own beyond its menu of two commands.

#include <QMainWindow>

class QAction;
class QMenuBar;

class TToolFrm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TToolFrm(QWidget* owner = nullptr);

  QMenuBar* mmtool;
  QAction* mniSetBaseItems;
  QAction* mniMDBClear;

  void mniSetBaseItemsClick();
  void mniMDBClearClick();
};
