#include "vcl/MessageBoxes.h"

#include "vcl/Forms.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QString>

namespace vcl {
namespace {

QMessageBox::Icon IconFor(unsigned flags) {
  switch (flags & MB_ICONMASK) {
    case MB_ICONSTOP: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

// One OK button that Enter and Esc both press.
void AddOkButton(QMessageBox& box) {
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
}

class QtMessageBoxes final : public MessageBoxes {
 public:
  int MessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                 unsigned flags) override {
    QMessageBox box(owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    box.setTextFormat(Qt::PlainText);
    box.setIcon(IconFor(flags));
    AddOkButton(box);
    box.exec();
    return IDOK;
  }

  void ShowMessage(const std::string& text, const std::string& caption) override {
    QMessageBox box;
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    box.setTextFormat(Qt::PlainText);
    box.setIcon(QMessageBox::NoIcon);
    AddOkButton(box);
    // Long texts wrap at half the screen's width rather than stretching the box.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      box.setStyleSheet(QStringLiteral("QLabel{max-width: %1px;}")
                            .arg(screen->availableGeometry().width() / 2));
    }
    CentreOnScreen(box);
    box.exec();
  }
};

QtMessageBoxes& RealBoxes() {
  static QtMessageBoxes boxes;
  return boxes;
}

MessageBoxes* current = nullptr;

}  // namespace

MessageBoxes& CurrentMessageBoxes() { return current ? *current : RealBoxes(); }

ScopedMessageBoxes::ScopedMessageBoxes(MessageBoxes& boxes) : previous_(current) {
  current = &boxes;
}

ScopedMessageBoxes::~ScopedMessageBoxes() { current = previous_; }

}  // namespace vcl
