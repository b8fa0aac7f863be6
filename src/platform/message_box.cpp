#include "platform/message_box.h"

#include "platform/ui_log.h"

namespace vantel {
namespace {
MessageBoxObserver& Observer() {
  static MessageBoxObserver observer;
  return observer;
}
}  // namespace

void SetMessageBoxObserver(MessageBoxObserver observer) { Observer() = std::move(observer); }

int ShowMessageBox(const std::string& text, unsigned type) {
  if (Observer()) Observer()(text, type);
  const int result = (type & 0xF) == MB_YESNO ? IDYES : IDOK;
  UiLog("{\"event\":\"messagebox\",\"text\":" + JsonString(text) +
        ",\"type\":" + std::to_string(type) + ",\"result\":" + std::to_string(result) + "}");
  return result;
}

}  // namespace vantel
