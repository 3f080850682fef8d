#pragma once

// What the program's forms share: their look (button-face colour, the small
// dialog font), their outer size and placement, modal runs, and handlers that
// run through the application object's error report.

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QObject>
#include <QPushButton>
#include <QWidget>
#include <utility>

#include "vcl/Application.h"

namespace vcl {

// Where a window goes when first shown: centred on the desktop (all monitors
// together), on its own screen, or over its owner.
enum class Placement { DesktopCentre, ScreenCentre, OwnerCentre };

// The form's colour and font: the system's button face, and the 8-point dialog
// font (11 pixels high at 96 dpi).
void ApplyFormLook(QWidget& form);

// Gives `form` an outer size (frame included) of `width` x `height` and places it
// the first time it is shown. The frame's extent is known only once a window
// manager has framed the window, so the size is corrected when it becomes known.
void SetOuterGeometry(QWidget& form, int width, int height, Placement placement);

// A dialog form with neither a default nor a cancel button: Enter presses a
// button only while that button has the focus, and Esc presses nothing. Qt's
// dialogs do the opposite unless told otherwise.
class TDialogForm : public QDialog {
 public:
  explicit TDialogForm(QWidget* owner);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// A push button that is never pressed by Enter elsewhere on its form.
QPushButton* MakeButton(QWidget* form, const char* name, const QString& caption, QRect geometry);

// Centres `window` on its screen, frame included, the first time it is shown.
void CentreOnScreen(QWidget& window);

// Runs `dialog` modally; the caller's window is disabled meanwhile.
int ShowModal(QDialog& dialog);

// Connects a handler that runs through the application's error report.
template <typename Handler>
void OnClick(QAbstractButton* button, Handler handler) {
  QObject::connect(button, &QAbstractButton::clicked, button,
                   [h = std::move(handler)] { Application->Dispatch(h); });
}

template <typename Handler>
void OnTrigger(QAction* action, Handler handler) {
  QObject::connect(action, &QAction::triggered, action,
                   [h = std::move(handler)] { Application->Dispatch(h); });
}

}  // namespace vcl
