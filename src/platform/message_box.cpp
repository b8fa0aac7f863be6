#include "platform/message_box.h"

#include <algorithm>
#include <array>

#include "platform/dialog.h"
#include "platform/ui_log.h"
#include "platform/window.h"

namespace vantel {
namespace {

MessageBoxObserver& Observer() {
  static MessageBoxObserver observer;
  return observer;
}

struct BoxButton {
  int32_t id;
  const char* text;
};

struct ButtonSet {
  unsigned type;
  std::array<BoxButton, 2> buttons;  // id 0: absent
};

// The first button is the default one (the Enter key).
constexpr std::array<ButtonSet, 3> kButtonSets{{
    {MB_OK, {{{IDOK, "OK"}, {0, nullptr}}}},
    {MB_OKCANCEL, {{{IDOK, "OK"}, {IDCANCEL, "Cancel"}}}},
    {MB_YESNO, {{{IDYES, "Yes"}, {IDNO, "No"}}}},
}};

const ButtonSet& ButtonsFor(unsigned type) {
  for (const ButtonSet& set : kButtonSets) {
    if (set.type == (type & 0xF)) return set;
  }
  return kButtonSets[0];
}

constexpr int32_t kTextControlId = VANTEL_IDC_MESSAGE_TEXT;
constexpr int kMargin = 12;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;

class MessageBoxWindow : public MessageTarget {
 public:
  explicit MessageBoxWindow(const ButtonSet& buttons) : buttons_(buttons) {}

  bool HandleMessage(const Message& message, intptr_t& /*result*/) override {
    if (message.kind != MessageKind::Clicked) return true;
    int32_t answer = 0;
    for (const BoxButton& button : buttons_.buttons) {
      if (button.id != 0 && button.id == message.controlId) answer = button.id;
    }
    // Enter presses the default button; Escape gives OK on a box whose only button is OK.
    if (answer == 0 && message.controlId == IDOK) answer = buttons_.buttons[0].id;
    if (answer == 0 && message.controlId == IDCANCEL && buttons_.type == MB_OK) answer = IDOK;
    if (answer != 0) EndModal(handle, answer);
    return true;
  }

  Hwnd handle = 0;

 private:
  const ButtonSet& buttons_;
};

int32_t RunMessageBoxWindow(const std::string& text, unsigned type, int32_t fallback) {
  const ButtonSet& buttons = ButtonsFor(type);
  size_t longest = 0;
  int lines = 0;
  for (size_t start = 0; start <= text.size(); ++lines) {
    const size_t end = std::min(text.find('\n', start), text.size());
    longest = std::max(longest, end - start);
    start = end + 1;
  }
  const int buttonCount = buttons.buttons[1].id != 0 ? 2 : 1;
  const int textWidth = std::min(static_cast<int>(longest) * kBaseUnitX, 600);
  const int clientWidth =
      std::max(textWidth + 2 * kMargin, buttonCount * (kButtonWidth + kMargin) + kMargin);
  const int textHeight = lines * kBaseUnitY;
  const int clientHeight = kMargin + textHeight + kMargin + kButtonHeight + kMargin;
  const uint32_t style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE;
  int left, top, right, bottom;
  NonClientSize(style, left, top, right, bottom);
  const int width = clientWidth + left + right;
  const int height = clientHeight + top + bottom;
  const int x = std::max(0, (ScreenWidth() - width) / 2);
  const int y = std::max(0, (ScreenHeight() - height) / 2);

  MessageBoxWindow target(buttons);
  const Hwnd box = CreateWindowFrom({.className = "#32770",
                                     .isDialog = true,
                                     .text = kMessageBoxCaption,
                                     .rect = {x, y, x + width, y + height},
                                     .style = style,
                                     .target = &target});
  target.handle = box;
  CreateWindowFrom({.className = "Static",
                    .kind = ControlKind::Static,
                    .text = text,
                    .rect = {kMargin, kMargin, kMargin + textWidth, kMargin + textHeight},
                    .style = WS_CHILD | WS_VISIBLE,
                    .parent = box,
                    .id = kTextControlId});
  int buttonX = clientWidth - buttonCount * (kButtonWidth + kMargin);
  const int buttonY = clientHeight - kMargin - kButtonHeight;
  for (int i = 0; i < buttonCount; ++i, buttonX += kButtonWidth + kMargin) {
    const BoxButton& button = buttons.buttons[static_cast<size_t>(i)];
    CreateWindowFrom({.className = "Button",
                      .kind = i == 0 ? ControlKind::DefPushButton : ControlKind::PushButton,
                      .text = button.text,
                      .rect = {buttonX, buttonY, buttonX + kButtonWidth, buttonY + kButtonHeight},
                      .style = WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                      .parent = box,
                      .id = button.id});
  }
  const int32_t result = RunModalLoop(box, fallback);
  DestroyWindow(box);
  return result;
}

}  // namespace

void SetMessageBoxObserver(MessageBoxObserver observer) { Observer() = std::move(observer); }

int ShowMessageBox(const std::string& text, unsigned type) {
  if (Observer()) Observer()(text, type);
  const int fallback = (type & 0xF) == MB_YESNO ? IDYES : IDOK;
  const int result = UiHookInstalled() ? RunMessageBoxWindow(text, type, fallback) : fallback;
  UiLog("{\"event\":\"messagebox\",\"text\":" + JsonString(text) +
        ",\"type\":" + std::to_string(type) + ",\"result\":" + std::to_string(result) + "}");
  return result;
}

}  // namespace vantel
