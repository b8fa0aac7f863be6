#include "platform/controls.h"

#include <algorithm>

#include "platform/dialog.h"
#include "platform/message_box.h"

namespace vantel::user {
namespace {

Window* ReachableControl(Hwnd handle, ControlKind kind) {
  if (!IsReachable(handle)) return nullptr;
  Window* window = GetWindow(handle);
  return !window->isDialog && window->kind == kind ? window : nullptr;
}

bool IsControlOf(const Window* window, ControlKind kind) {
  return window && !window->isDialog && window->kind == kind;
}

// Auto radio buttons clear the others of their group: from the nearest WS_GROUP sibling at
// or before the clicked one, up to the next sibling that starts a group.
void CheckRadioInGroup(Hwnd radio) {
  const Window* self = GetWindow(radio);
  const Window* parent = GetWindow(self->parent);
  if (!parent) return;
  const auto& siblings = parent->children;
  const auto at = std::find(siblings.begin(), siblings.end(), radio);
  auto first = at;
  while (first != siblings.begin() && !(GetWindow(*first)->style & WS_GROUP)) --first;
  for (auto it = first; it != siblings.end(); ++it) {
    Window* sibling = GetWindow(*it);
    if (it != first && (sibling->style & WS_GROUP)) break;
    if (IsControlOf(sibling, ControlKind::RadioButton)) sibling->checked = (*it == radio);
  }
}

int VisibleRows(const Window& list) {
  int height = list.rect.Height();
  if (list.style & WS_BORDER) height -= 2;
  if (!(list.style & LVS_NOCOLUMNHEADER) && !list.columns.empty()) height -= kListRowHeight;
  return std::max(1, height / kListRowHeight);
}

bool PressKey(Hwnd handle, int32_t id) {
  if (!IsReachable(handle) || !GetWindow(handle)->isDialog) return false;
  const Hwnd button = GetDlgItem(handle, id);
  if (button != 0 && !GetWindow(button)->enabled) return false;
  CloseHelpPopup();
  intptr_t result = 0;
  return SendMessage(handle, {.kind = MessageKind::Clicked, .controlId = id, .from = button},
                     result);
}

}  // namespace

bool Click(Hwnd control) {
  if (!IsReachable(control)) return false;
  Window* window = GetWindow(control);
  if (window->isDialog) return false;
  switch (window->kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
      break;
    case ControlKind::CheckBox:
      window->checked = !window->checked;
      break;
    case ControlKind::RadioButton:
      CheckRadioInGroup(control);
      break;
    default:
      return false;
  }
  CloseHelpPopup();
  NotifyParent(control, MessageKind::Clicked);
  return true;
}

bool SelectComboItem(Hwnd combo, int32_t index, bool accept) {
  Window* window = ReachableControl(combo, ControlKind::ComboBox);
  if (!window || index < 0 || static_cast<size_t>(index) >= window->items.size()) return false;
  CloseHelpPopup();
  window->selection = index;
  NotifyParent(combo, accept ? MessageKind::SelEndOk : MessageKind::SelEndCancel);
  NotifyParent(combo, MessageKind::CloseUp);
  return true;
}

bool SetEditText(Hwnd edit, const std::string& text) {
  Window* window = ReachableControl(edit, ControlKind::Edit);
  if (!window) return false;
  window->text = text;
  return true;
}

bool SelectTab(Hwnd tab, int32_t index) {
  Window* window = ReachableControl(tab, ControlKind::TabControl);
  if (!window || index < 0 || static_cast<size_t>(index) >= window->items.size()) return false;
  if (window->selection == index) return true;  // the current tab sends nothing
  CloseHelpPopup();
  if (NotifyParent(tab, MessageKind::TabChanging) != 0) return false;
  SetSelection(tab, index);
  NotifyParent(tab, MessageKind::TabChanged);
  return true;
}

bool PressOk(Hwnd window) { return PressKey(window, IDOK); }

bool PressCancel(Hwnd window) { return PressKey(window, IDCANCEL); }

Hwnd AskHelp(Hwnd control) {
  if (!IsReachable(control)) return 0;
  CloseHelpPopup();
  const Rect rect = GetWindowRect(control);
  const Message help{.kind = MessageKind::Help,
                     .controlId = GetWindow(control)->id,
                     .from = control,
                     .x = (rect.left + rect.right) / 2,
                     .y = (rect.top + rect.bottom) / 2};
  for (Hwnd at = GetWindow(control)->parent; IsWindow(at); at = GetWindow(at)->parent) {
    intptr_t result = 0;
    if (SendMessage(at, help, result)) break;
  }
  return CurrentHelpPopup();
}

bool Resize(Hwnd handle, int32_t edge, int32_t width, int32_t height) {
  if (!IsReachable(handle)) return false;
  const Window* window = GetWindow(handle);
  if (window->parent != 0 || !(window->style & WS_THICKFRAME)) return false;
  if (edge < WMSZ_LEFT || edge > WMSZ_BOTTOMRIGHT) return false;
  const bool movesLeft = edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
  const bool movesRight = edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT;
  const bool movesTop = edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
  const bool movesBottom =
      edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT;

  MinMaxInfo limits{.maxWidth = ScreenWidth() + 2 * kSizingFrame,
                    .maxHeight = ScreenHeight() + 2 * kSizingFrame,
                    .maxTrackWidth = ScreenWidth() + 2 * kSizingFrame,
                    .maxTrackHeight = ScreenHeight() + 2 * kSizingFrame,
                    .minTrackWidth = 2 * kSizingFrame,
                    .minTrackHeight = kCaptionHeight + 2 * kSizingFrame};
  intptr_t result = 0;
  SendMessage(handle, {.kind = MessageKind::GetMinMaxInfo, .minMax = &limits}, result);
  width =
      std::clamp(width, limits.minTrackWidth, std::max(limits.minTrackWidth, limits.maxTrackWidth));
  height = std::clamp(height, limits.minTrackHeight,
                      std::max(limits.minTrackHeight, limits.maxTrackHeight));

  Rect rect = GetWindow(handle)->rect;
  if (movesLeft) rect.left = rect.right - width;
  if (movesRight) rect.right = rect.left + width;
  if (movesTop) rect.top = rect.bottom - height;
  if (movesBottom) rect.bottom = rect.top + height;
  SendMessage(handle, {.kind = MessageKind::Sizing, .code = edge, .rect = &rect}, result);
  MoveWindow(handle, rect);
  return true;
}

bool Scroll(Hwnd handle, int32_t request, int32_t position) {
  if (!IsReachable(handle)) return false;
  Window* window = GetWindow(handle);
  if (IsControlOf(window, ControlKind::ListView)) {
    const int page = VisibleRows(*window);
    const int last = std::max(0, static_cast<int>(window->items.size()) - page);
    int top = window->topIndex;
    switch (request) {
      case SB_LINEUP:
        --top;
        break;
      case SB_LINEDOWN:
        ++top;
        break;
      case SB_PAGEUP:
        top -= page;
        break;
      case SB_PAGEDOWN:
        top += page;
        break;
      case SB_THUMBPOSITION:
      case SB_THUMBTRACK:
        top = position;
        break;
      case SB_TOP:
        top = 0;
        break;
      case SB_BOTTOM:
        top = last;
        break;
      default:
        break;
    }
    window->topIndex = std::clamp(top, 0, last);
    NotifyParent(handle, MessageKind::EndScroll);
    return true;
  }
  if (!window->isDialog || !(window->style & WS_VSCROLL)) return false;
  intptr_t result = 0;
  SendMessage(handle, {.kind = MessageKind::VScroll, .code = request, .x = position}, result);
  if (request != SB_ENDSCROLL && IsWindow(handle)) {
    SendMessage(handle, {.kind = MessageKind::VScroll, .code = SB_ENDSCROLL}, result);
  }
  return true;
}

}  // namespace vantel::user
