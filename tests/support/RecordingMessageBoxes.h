#pragma once

// Message boxes for tests: each box is recorded and answered at once, so no test
// can hang on a modal box.

#include <functional>
#include <string>
#include <vector>

#include "vcl/MessageBoxes.h"

namespace testing_support {

struct ShownBox {
  enum class Kind { MessageBox, PlainMessage };
  Kind kind;
  std::string text;
  std::string caption;
  unsigned flags = 0;
  bool hadOwner = false;
};

class RecordingMessageBoxes final : public vcl::MessageBoxes {
 public:
  RecordingMessageBoxes() : scope_(*this) {}

  int MessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                 unsigned flags) override {
    boxes.push_back({ShownBox::Kind::MessageBox, text, caption, flags, owner != nullptr});
    if (onShow) onShow(boxes.back());
    return vcl::IDOK;
  }

  void ShowMessage(const std::string& text, const std::string& caption) override {
    boxes.push_back({ShownBox::Kind::PlainMessage, text, caption, 0, false});
    if (onShow) onShow(boxes.back());
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const ShownBox& box : boxes) texts.push_back(box.text);
    return texts;
  }

  std::vector<ShownBox> boxes;
  // Runs while a box is "up", as a person looking at it would.
  std::function<void(const ShownBox&)> onShow;

 private:
  vcl::ScopedMessageBoxes scope_;
};

}  // namespace testing_support
