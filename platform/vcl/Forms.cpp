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
#include <optional>

namespace vcl {
namespace {

// Gives a top-level window its outer size and place when it is first shown. A
// window manager frames the window a little after it is shown, and only then
// are the frame's extents known, so the geometry is worked out again whenever
// they change.
class OuterGeometry final : public QObject {
 public:
  OuterGeometry(QWidget& form, std::optional<QSize> outer, Placement placement)
      : QObject(&form), form_(form), outer_(outer), placement_(placement) {
    if (outer_) form.resize(*outer_);
    form.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &form_ && corrections_ < kMaxCorrections) {
      switch (event->type()) {
        case QEvent::Show:
          applied_.reset();
          Apply();
          for (int delay : {50, 200, 600}) QTimer::singleShot(delay, this, [this] { Apply(); });
          break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Expose:
        case QEvent::ActivationChange:
          Apply();
          break;
        default:
          break;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  static constexpr int kMaxCorrections = 6;

  QMargins FrameMargins() const {
    if (const QWindow* window = form_.windowHandle()) return window->frameMargins();
    return {};
  }

  QRect Area() const {
    if (placement_ == Placement::OwnerCentre && form_.parentWidget()) {
      return form_.parentWidget()->window()->frameGeometry();
    }
    const QScreen* screen = form_.screen() ? form_.screen() : QGuiApplication::primaryScreen();
    if (!screen) return {};
    return placement_ == Placement::ScreenCentre ? screen->geometry() : screen->virtualGeometry();
  }

  void Apply() {
    if (!form_.isVisible()) return;
    const QMargins margins = FrameMargins();
    if (applied_ && *applied_ == margins) return;
    applied_ = margins;
    ++corrections_;
    const QSize frame(margins.left() + margins.right(), margins.top() + margins.bottom());
    const QSize client = outer_ ? *outer_ - frame : form_.size();
    const QSize outer = client + frame;
    const QRect area = Area();
    if (area.isNull()) {
      form_.resize(client);
      return;
    }
    const QPoint frameTopLeft(area.x() + (area.width() - outer.width()) / 2,
                              area.y() + (area.height() - outer.height()) / 2);
    form_.setGeometry(QRect(frameTopLeft + QPoint(margins.left(), margins.top()), client));
  }

  QWidget& form_;
  std::optional<QSize> outer_;
  Placement placement_;
  std::optional<QMargins> applied_;
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

void CentreOnScreen(QWidget& window) {
  new OuterGeometry(window, std::nullopt, Placement::ScreenCentre);
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
