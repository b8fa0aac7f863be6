#include "platform/dialog.h"

#include <algorithm>
#include <array>

#include "platform/module_state.h"
#include "platform/ui_log.h"

namespace vantel {
namespace {

struct HookSlot {
  UiHook hook = nullptr;
  void* user = nullptr;
};

HookSlot& Hook() {
  static HookSlot slot;
  return slot;
}

Hwnd& HelpPopup() {
  static Hwnd popup = 0;
  return popup;
}

struct KindClass {
  ControlKind kind;
  const char* className;
};

constexpr std::array<KindClass, 10> kControlClasses{{
    {ControlKind::PushButton, "Button"},
    {ControlKind::DefPushButton, "Button"},
    {ControlKind::GroupBox, "Button"},
    {ControlKind::Static, "Static"},
    {ControlKind::Edit, "Edit"},
    {ControlKind::CheckBox, "Button"},
    {ControlKind::RadioButton, "Button"},
    {ControlKind::ComboBox, "ComboBox"},
    {ControlKind::ListView, "SysListView32"},
    {ControlKind::TabControl, "SysTabControl32"},
}};

const char* ClassOf(ControlKind kind) {
  for (const KindClass& entry : kControlClasses) {
    if (entry.kind == kind) return entry.className;
  }
  return "Static";
}

const DialogTemplate* FindIn(const ResourceModule& module, uint32_t id) {
  for (size_t i = 0; module.dialogs && i < module.dialogCount; ++i) {
    if (module.dialogs[i] && module.dialogs[i]->id == id) return module.dialogs[i];
  }
  return nullptr;
}

// Where a line of the help pop-up wraps, in characters of the dialog font.
constexpr int kHelpLineChars = 60;

int CountHelpLines(const std::string& text) {
  int lines = 0;
  size_t start = 0;
  while (true) {
    const size_t end = text.find('\n', start);
    const size_t length = (end == std::string::npos ? text.size() : end) - start;
    lines += std::max<int>(1, static_cast<int>((length + kHelpLineChars - 1) / kHelpLineChars));
    if (end == std::string::npos) return lines;
    start = end + 1;
  }
}

}  // namespace

const DialogTemplate* FindDialogTemplate(uint32_t id) {
  if (const DialogTemplate* found = FindIn(CurrentResources(), id)) return found;
  return FindIn(BuiltinResources(), id);
}

void SetUiHook(UiHook hook, void* user) { Hook() = {hook, hook ? user : nullptr}; }

bool UiHookInstalled() { return Hook().hook != nullptr; }

int32_t RunModalLoop(Hwnd window, int32_t giveUp) {
  while (true) {
    const Window* record = GetWindow(window);
    if (!record) return giveUp;
    if (record->modalEnded) return record->modalResult;
    const HookSlot slot = Hook();  // the hook may replace itself while it runs
    if (!slot.hook || slot.hook(window, slot.user) == 0) EndModal(window, giveUp);
  }
}

void EndModal(Hwnd handle, int32_t result) {
  Window* window = GetWindow(handle);
  if (!window) return;
  window->modalEnded = true;
  window->modalResult = result;
  window->visible = false;
}

Hwnd ShowHelpPopup(Hwnd owner, int32_t controlId, const std::string& text, int x, int y) {
  CloseHelpPopup();
  const int width = kHelpLineChars * kBaseUnitX + 2 * kBaseUnitX;
  const int height = CountHelpLines(text) * kBaseUnitY + kBaseUnitY;
  HelpPopup() = CreateWindowFrom({.className = "HelpPopup",
                                  .text = text,
                                  .rect = {x, y, x + width, y + height},
                                  .style = WS_POPUP | WS_BORDER | WS_VISIBLE,
                                  .owner = owner,
                                  .id = controlId});
  UiLog("{\"event\":\"help\",\"control\":" + std::to_string(controlId) +
        ",\"text\":" + JsonString(text) + "}");
  return HelpPopup();
}

Hwnd CurrentHelpPopup() { return IsWindow(HelpPopup()) ? HelpPopup() : 0; }

void CloseHelpPopup() {
  DestroyWindow(HelpPopup());
  HelpPopup() = 0;
}

Dialog::Dialog(uint32_t templateId, Hwnd parent) : templateId_(templateId), parent_(parent) {}

Dialog::~Dialog() {
  if (IsWindow(hwnd_)) GetWindow(hwnd_)->target = nullptr;
  DestroyWindow(hwnd_);
}

Hwnd Dialog::CreateWindowFromTemplate(Hwnd parent) {
  const DialogTemplate* dialog = FindDialogTemplate(templateId_);
  if (!dialog || IsWindow(hwnd_)) return 0;
  int left, top, right, bottom;
  NonClientSize(dialog->styles, left, top, right, bottom);
  int width = DuToPixelsX(dialog->width) + left + right;
  int height = DuToPixelsY(dialog->height) + top + bottom;
  const bool child = (dialog->styles & WS_CHILD) != 0;
  const Hwnd handle = CreateWindowFrom({.className = "#32770",
                                        .isDialog = true,
                                        .text = dialog->caption,
                                        .style = dialog->styles & ~(WS_VISIBLE),
                                        .parent = child ? parent : 0,
                                        .target = this,
                                        .templateId = dialog->id});
  if (handle == 0) return 0;
  hwnd_ = handle;

  if (dialog->styles & WS_THICKFRAME) {
    // Like a real window, a sizing one is created no larger than it may be dragged.
    MinMaxInfo limits{.maxWidth = ScreenWidth() + 2 * kSizingFrame,
                      .maxHeight = ScreenHeight() + 2 * kSizingFrame,
                      .maxTrackWidth = ScreenWidth() + 2 * kSizingFrame,
                      .maxTrackHeight = ScreenHeight() + 2 * kSizingFrame,
                      .minTrackWidth = 0,
                      .minTrackHeight = 0};
    intptr_t ignored = 0;
    SendMessage(handle, {.kind = MessageKind::GetMinMaxInfo, .minMax = &limits}, ignored);
    width = std::min(width, limits.maxTrackWidth);
    height = std::min(height, limits.maxTrackHeight);
  }
  Rect rect{0, 0, width, height};
  if (!child) {
    rect.left = std::max(0, (ScreenWidth() - width) / 2);
    rect.top = std::max(0, (ScreenHeight() - height) / 2);
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
  }
  GetWindow(handle)->rect = rect;

  for (size_t i = 0; i < dialog->controlCount; ++i) {
    const ControlTemplate& control = dialog->controls[i];
    const int x = DuToPixelsX(control.rect.x);
    const int y = DuToPixelsY(control.rect.y);
    const int h =
        control.kind == ControlKind::ComboBox ? kComboClosedHeight : DuToPixelsY(control.rect.h);
    CreateWindowFrom({.className = ClassOf(control.kind),
                      .kind = control.kind,
                      .text = control.text ? control.text : "",
                      .rect = {x, y, x + DuToPixelsX(control.rect.w), y + h},
                      .style = WS_CHILD | WS_VISIBLE | control.styles,
                      .parent = handle,
                      .id = control.id,
                      .help = control.help});
  }

  // From here on `this` may be deleted by a re-entrant call; the window tells whether it was.
  OnInitDialog();
  const Window* window = GetWindow(handle);
  if ((dialog->styles & WS_VISIBLE) && window && !window->modalEnded) ShowWindow(handle, true);
  return handle;
}

bool Dialog::Create(Hwnd parent) {
  return CreateWindowFromTemplate(parent ? parent : parent_) != 0;
}

int32_t Dialog::DoModal() {
  const uint32_t templateId = templateId_;
  const Hwnd owner = parent_;
  const Hwnd handle = CreateWindowFromTemplate(owner);
  // A dialog ended or destroyed by its own initialisation was never open to the user: it is
  // neither shown nor logged, and its owner is never disabled.
  const Window* window = GetWindow(handle);
  if (!window) return -1;
  if (window->modalEnded) {
    const int32_t result = window->modalResult;
    DestroyWindow(handle);
    return result;
  }
  std::string caption = GetWindowText(handle);
  const bool disableOwner = IsWindow(owner) && GetWindow(owner)->enabled;
  if (disableOwner) EnableWindow(owner, false);
  UiLog("{\"event\":\"dialog_open\",\"caption\":" + JsonString(caption) +
        ",\"template\":" + std::to_string(templateId) + "}");
  ShowWindow(handle, true);
  const int32_t result = RunModalLoop(handle, IDCANCEL);
  if (IsWindow(handle)) caption = GetWindowText(handle);
  UiLog("{\"event\":\"dialog_end\",\"caption\":" + JsonString(caption) + ",\"template\":" +
        std::to_string(templateId) + ",\"result\":" + std::to_string(result) + "}");
  if (disableOwner) EnableWindow(owner, true);
  DestroyWindow(handle);
  return result;
}

void Dialog::EndDialog(int32_t result) { EndModal(hwnd_, result); }

bool Dialog::HandleMessage(const Message& message, intptr_t& result) {
  if (OnMessage(message, result)) return true;
  if (message.kind != MessageKind::Clicked) return false;
  if (message.controlId == IDOK) {
    OnOK();
    return true;
  }
  if (message.controlId == IDCANCEL) {
    OnCancel();
    return true;
  }
  return false;
}

}  // namespace vantel
