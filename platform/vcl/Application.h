#pragma once

// The application object: the program's title, its message boxes, the default
// error report and the message loop. It is the one place that catches an error
// escaping an event handler; Qt does not let exceptions cross its event loop, so
// every handler the forms connect runs through Dispatch.

#include <exception>
#include <functional>
#include <string>

class QWidget;

namespace vcl {

// The executable's file name without its directory, cut at its first ".", with
// every character after the first in lower case.
std::string ApplicationTitle(const std::string& exeName);

// The text of the default error report: a full stop is added unless the text is
// empty or its last character's code is 46 (the full stop) or lower.
std::string ErrorReportText(const std::string& message);

class TApplication {
 public:
  explicit TApplication(std::string exeName);
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  const std::string& ExeName() const { return exeName_; }
  const std::string& Title() const { return title_; }

  // Prepares the application for its main form; the program adds nothing.
  void Initialize() { initialized_ = true; }
  bool Initialized() const { return initialized_; }

  // Shows `mainForm`, then dispatches events until it is closed.
  void Run(QWidget& mainForm);

  // A modal message box owned by the application's active window.
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags);

  // The default error report for `error`.
  void ShowException(const std::exception& error);

  // Runs an event handler; an error escaping it goes to the default error report
  // and the caller's event loop carries on.
  void Dispatch(const std::function<void()>& handler);

 private:
  std::string exeName_;
  std::string title_;
  bool initialized_ = false;
  TApplication* previous_;  // a test may stand one application in for another
};

// The one application object, created with the platform before the program's
// own modules start.
extern TApplication* Application;

// The plain message dialog, captioned with the application title.
void ShowMessage(const std::string& text);

}  // namespace vcl
