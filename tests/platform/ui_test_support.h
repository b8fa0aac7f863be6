#pragma once
// Reading windows back through the automation API, driving modal loops and capturing the
// UI event log, for the platform and dialog tests.
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "vantel/ui_automation.h"

namespace vantel::test {

inline std::string UiText(VantelUiWindow window) {
  const int32_t length = VantelUiGetText(window, nullptr, 0);
  if (length < 0) return "<no window>";
  std::string text(static_cast<size_t>(length) + 1, '\0');
  VantelUiGetText(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

/// What the window is, as VantelUiGetKind names it ("radio button", "edit"...).
inline std::string UiKind(VantelUiWindow window) {
  char kind[32] = "";
  VantelUiGetKind(window, kind, sizeof kind);
  return kind;
}

inline std::vector<std::string> UiItems(VantelUiWindow control) {
  std::vector<std::string> items;
  const int32_t count = VantelUiGetItemCount(control);
  for (int32_t i = 0; i < count; ++i) {
    const int32_t length = VantelUiGetItemText(control, i, nullptr, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    VantelUiGetItemText(control, i, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    items.push_back(text);
  }
  return items;
}

inline std::string UiSvg(VantelUiWindow window) {
  char* svg = VantelUiRenderSvg(window);
  std::string out = svg ? svg : "";
  std::free(svg);
  return out;
}

/// Installs a UI hook running `turn` on every turn of a modal loop, removed at the end.
class UiDriver {
 public:
  explicit UiDriver(std::function<int(VantelUiWindow modal)> turn) : turn_(std::move(turn)) {
    VantelUiSetHook(&UiDriver::Turn, this);
  }
  ~UiDriver() { VantelUiSetHook(nullptr, nullptr); }
  UiDriver(const UiDriver&) = delete;
  UiDriver& operator=(const UiDriver&) = delete;
  int turns = 0;

 private:
  static int Turn(VantelUiWindow modal, void* user) {
    auto* self = static_cast<UiDriver*>(user);
    ++self->turns;
    return self->turn_(modal);
  }
  std::function<int(VantelUiWindow)> turn_;
};

/// Points the UI event log at a fresh file while it lives.
class UiLogCapture {
 public:
  UiLogCapture() {
    char pattern[] = "/tmp/vantel-uilog-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd >= 0) close(fd);
    path_ = pattern;
    setenv("VANTEL_UI_LOG", path_.c_str(), 1);
  }
  ~UiLogCapture() {
    unsetenv("VANTEL_UI_LOG");
    std::remove(path_.c_str());
  }
  UiLogCapture(const UiLogCapture&) = delete;
  UiLogCapture& operator=(const UiLogCapture&) = delete;

  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::ifstream in(path_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

 private:
  std::string path_;
};

}  // namespace vantel::test
