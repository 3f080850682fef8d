#include "vcl/Forms.h"

#include <QEvent>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMargins>
#include <QPalette>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace vcl {
namespace {

// Keeps a top-level form at its outer size and puts it in place on first show.
class OuterGeometry final : public QObject {
 public:
  OuterGeometry(QWidget& form, QSize outer, Placement placement)
      : QObject(&form), form_(form), outer_(outer), placement_(placement) {
    form.resize(outer);
    form.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &form_ && corrections_ < kMaxCorrections) {
      switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Expose:
        case QEvent::ActivationChange:
          Correct();
          // A window manager frames the window a little after it is shown.
          if (event->type() == QEvent::Show) {
            for (int delay : {50, 200, 600}) QTimer::singleShot(delay, this, [this] { Correct(); });
          }
          break;
        default:
          break;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  static constexpr int kMaxCorrections = 4;

  QMargins FrameMargins() const {
    const QRect frame = form_.frameGeometry();
    const QRect client = form_.geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
  }

  void Correct() {
    if (!form_.isVisible()) return;
    const QMargins margins = FrameMargins();
    if (placed_ && margins == applied_) return;
    applied_ = margins;
    ++corrections_;
    form_.resize(outer_.width() - margins.left() - margins.right(),
                 outer_.height() - margins.top() - margins.bottom());
    if (!placed_ || !form_.testAttribute(Qt::WA_Moved)) Place();
    placed_ = true;
  }

  void Place() {
    QRect area;
    if (placement_ == Placement::OwnerCentre && form_.parentWidget()) {
      area = form_.parentWidget()->window()->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
      area = screen->virtualGeometry();
    }
    if (area.isNull()) return;
    const QPoint topLeft = area.center() - QPoint(outer_.width() / 2, outer_.height() / 2);
    form_.move(topLeft);
    form_.setAttribute(Qt::WA_Moved, false);
  }

  QWidget& form_;
  QSize outer_;
  Placement placement_;
  QMargins applied_;
  bool placed_ = false;
  int corrections_ = 0;
};

}  // namespace

void ApplyFormLook(QWidget& form) {
  QPalette palette = form.palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  form.setPalette(palette);
  form.setAutoFillBackground(true);
  QFont font = form.font();
  font.setPixelSize(11);
  form.setFont(font);
}

void SetOuterGeometry(QWidget& form, int width, int height, Placement placement) {
  new OuterGeometry(form, QSize(width, height), placement);
}

int ShowModal(QDialog& dialog) { return dialog.exec(); }

TDialogForm::TDialogForm(QWidget* owner) : QDialog(owner) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  ApplyFormLook(*this);
}

void TDialogForm::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (auto* button = qobject_cast<QPushButton*>(focusWidget())) button->click();
      event->accept();
      return;
    case Qt::Key_Escape:
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

QPushButton* MakeButton(QWidget* form, const char* name, const QString& caption, QRect geometry) {
  auto* button = new QPushButton(caption, form);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

}  // namespace vcl
