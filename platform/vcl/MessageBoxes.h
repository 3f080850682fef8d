#pragma once

// Every message box the program shows goes through one seam, so that a test can
// watch the boxes and answer them instead of a person.

#include <string>

class QWidget;

namespace vcl {

// Message-box flags, as the Windows API numbers them.
inline constexpr unsigned MB_OK = 0x00;
inline constexpr unsigned MB_ICONSTOP = 0x10;
inline constexpr unsigned MB_ICONERROR = MB_ICONSTOP;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONWARNING = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr unsigned MB_ICONMASK = 0xF0;
inline constexpr int IDOK = 1;

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;

  // A modal message box. `owner` is the window it belongs to, or nullptr for
  // none; the program's other windows are disabled while it is up.
  virtual int MessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                         unsigned flags) = 0;

  // The plain message dialog: no icon, one OK button that is both the default
  // and the cancel button, centred on the screen.
  virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
};

// The boxes in force: the real Qt ones unless a test installed its own.
MessageBoxes& CurrentMessageBoxes();

// Puts `boxes` in force until the returned guard goes out of scope.
class ScopedMessageBoxes {
 public:
  explicit ScopedMessageBoxes(MessageBoxes& boxes);
  ~ScopedMessageBoxes();
  ScopedMessageBoxes(const ScopedMessageBoxes&) = delete;
  ScopedMessageBoxes& operator=(const ScopedMessageBoxes&) = delete;

 private:
  MessageBoxes* previous_;
};

}  // namespace vcl
