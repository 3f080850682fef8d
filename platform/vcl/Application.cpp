#include "vcl/Application.h"

#include <QApplication>
#include <QWidget>
#include <cctype>

#include "rtl/SysUtils.h"
#include "vcl/MessageBoxes.h"

namespace vcl {

TApplication* Application = nullptr;

std::string ApplicationTitle(const std::string& exeName) {
  std::string title = rtl::ExtractFileName(exeName);
  title = title.substr(0, title.find('.'));
  for (std::size_t i = 1; i < title.size(); ++i) {
    const auto c = static_cast<unsigned char>(title[i]);
    if (c < 0x80) title[i] = static_cast<char>(std::tolower(c));
  }
  return title;
}

std::string ErrorReportText(const std::string& message) {
  if (message.empty() || static_cast<unsigned char>(message.back()) <= '.') return message;
  return message + ".";
}

TApplication::TApplication(std::string exeName)
    : exeName_(std::move(exeName)), title_(ApplicationTitle(exeName_)), previous_(Application) {
  Application = this;
}

TApplication::~TApplication() {
  if (Application == this) Application = previous_;
}

void TApplication::Run(QWidget& mainForm) {
  mainForm.show();
  QApplication::exec();
}

int TApplication::MessageBox(const std::string& text, const std::string& caption,
                             unsigned flags) {
  return CurrentMessageBoxes().MessageBox(QApplication::activeWindow(), text, caption, flags);
}

void TApplication::ShowException(const std::exception& error) {
  MessageBox(ErrorReportText(error.what()), title_, MB_OK | MB_ICONSTOP);
}

void TApplication::Dispatch(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowException(error);
  } catch (...) {
    ShowException(rtl::Exception("Unknown error"));
  }
}

void ShowMessage(const std::string& text) {
  CurrentMessageBoxes().ShowMessage(text, Application ? Application->Title() : std::string());
}

}  // namespace vcl
