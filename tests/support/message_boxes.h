#pragma once
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace vantel::test {

/// Records every message box shown while it lives.
class MessageBoxes {
 public:
  struct Shown {
    std::string text;
    unsigned type;
  };
  MessageBoxes() {
    SetMessageBoxObserver([this](const std::string& text, unsigned type) {
      shown.push_back({text, type});
    });
  }
  ~MessageBoxes() { SetMessageBoxObserver(nullptr); }
  MessageBoxes(const MessageBoxes&) = delete;
  MessageBoxes& operator=(const MessageBoxes&) = delete;

  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const Shown& s : shown) out.push_back(s.text);
    return out;
  }
  std::vector<Shown> shown;
};

}  // namespace vantel::test
