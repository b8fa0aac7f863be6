#include "platform/window.h"

#include <algorithm>
#include <map>
#include <memory>
#include <new>

namespace vantel {
namespace {

struct Desktop {
  std::map<Hwnd, std::unique_ptr<Window>> windows;  // handles grow, so the map keeps age order
  Hwnd nextHandle = 0x100;
  int screenWidth = 1920;
  int screenHeight = 1080;
};

// Never destroyed: reports may be destroyed by static destructors after this would be.
// It lives in static storage, not on the heap, so that unloading the plug-in leaks nothing
// once every window is gone.
Desktop& TheDesktop() {
  alignas(Desktop) static unsigned char storage[sizeof(Desktop)];
  static Desktop* desktop = new (storage) Desktop;
  return *desktop;
}

// round(value * num / den) for non-negative and negative values alike, as MulDiv does.
int MulDivRound(int value, int num, int den) {
  const long long product = static_cast<long long>(value) * num;
  const long long half = den / 2;
  return static_cast<int>(product >= 0 ? (product + half) / den : -((-product + half) / den));
}

}  // namespace

int DuToPixelsX(int du) { return MulDivRound(du, kBaseUnitX, 4); }
int DuToPixelsY(int du) { return MulDivRound(du, kBaseUnitY, 8); }

Hwnd CreateWindowFrom(const WindowInit& init) {
  Desktop& desktop = TheDesktop();
  if (init.parent != 0 && !IsWindow(init.parent)) return 0;
  if (init.owner != 0 && !IsWindow(init.owner)) return 0;
  auto window = std::make_unique<Window>();
  window->handle = desktop.nextHandle++;
  window->className = init.className;
  window->kind = init.kind;
  window->isDialog = init.isDialog;
  window->text = init.text;
  window->rect = init.rect;
  window->style = init.style;
  window->visible = (init.style & WS_VISIBLE) != 0;
  window->enabled = (init.style & WS_DISABLED) == 0;
  window->parent = init.parent;
  window->owner = init.owner;
  window->id = init.id;
  window->target = init.target;
  window->templateId = init.templateId;
  window->help = init.help;
  const Hwnd handle = window->handle;
  desktop.windows.emplace(handle, std::move(window));
  if (init.parent != 0) GetWindow(init.parent)->children.push_back(handle);
  if (init.owner != 0) GetWindow(init.owner)->owned.push_back(handle);
  return handle;
}

void DestroyWindow(Hwnd handle) {
  Window* window = GetWindow(handle);
  if (!window) return;
  const std::vector<Hwnd> owned = window->owned;
  for (Hwnd popup : owned) DestroyWindow(popup);
  window = GetWindow(handle);
  if (!window) return;
  const std::vector<Hwnd> children = window->children;
  for (Hwnd child : children) DestroyWindow(child);
  window = GetWindow(handle);  // children may not touch it, but the map did change
  if (!window) return;
  if (Window* parent = GetWindow(window->parent)) std::erase(parent->children, handle);
  if (Window* owner = GetWindow(window->owner)) std::erase(owner->owned, handle);
  TheDesktop().windows.erase(handle);
}

void DestroyAllWindows() {
  for (Hwnd window : TopLevelWindows()) DestroyWindow(window);
}

bool IsWindow(Hwnd window) { return GetWindow(window) != nullptr; }

Window* GetWindow(Hwnd window) {
  auto& windows = TheDesktop().windows;
  auto it = windows.find(window);
  return it == windows.end() ? nullptr : it->second.get();
}

void ShowWindow(Hwnd handle, bool show) {
  if (Window* window = GetWindow(handle)) window->visible = show;
}

void EnableWindow(Hwnd handle, bool enable) {
  if (Window* window = GetWindow(handle)) window->enabled = enable;
}

void SetWindowText(Hwnd handle, std::string text) {
  if (Window* window = GetWindow(handle)) window->text = std::move(text);
}

std::string GetWindowText(Hwnd handle) {
  const Window* window = GetWindow(handle);
  return window ? window->text : std::string();
}

Hwnd GetDlgItem(Hwnd dialog, int32_t id) {
  const Window* window = GetWindow(dialog);
  if (!window) return 0;
  for (Hwnd child : window->children) {
    if (GetWindow(child)->id == id) return child;
  }
  return 0;
}

Hwnd FindDescendant(Hwnd window, int32_t id) {
  if (const Hwnd direct = GetDlgItem(window, id)) return direct;
  const Window* record = GetWindow(window);
  if (!record) return 0;
  for (Hwnd child : record->children) {
    if (const Hwnd found = FindDescendant(child, id)) return found;
  }
  return 0;
}

bool IsReachable(Hwnd handle) {
  const Window* window = GetWindow(handle);
  if (!window) return false;
  for (; window; window = GetWindow(window->parent)) {
    if (!window->visible || !window->enabled) return false;
  }
  return true;
}

std::vector<Hwnd> TopLevelWindows() {
  std::vector<Hwnd> out;
  for (const auto& [handle, window] : TheDesktop().windows) {
    if (window->parent == 0) out.push_back(handle);
  }
  return out;
}

Hwnd FindTopLevelWindow(const std::string& caption) {
  Hwnd hidden = 0;
  const std::vector<Hwnd> all = TopLevelWindows();
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    const Window* window = GetWindow(*it);
    if (window->text != caption) continue;
    if (window->visible) return *it;
    if (hidden == 0) hidden = *it;
  }
  return hidden;
}

void NonClientSize(uint32_t style, int& left, int& top, int& right, int& bottom) {
  int frame = 0;
  if (style & WS_THICKFRAME) {
    frame = kSizingFrame;
  } else if ((style & DS_MODALFRAME) || (style & WS_CAPTION) == WS_CAPTION) {
    frame = kFixedFrame;
  } else if (style & WS_BORDER) {
    frame = 1;
  }
  left = right = bottom = frame;
  top = frame + ((style & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0);
}

Rect GetWindowRect(Hwnd handle) {
  const Window* window = GetWindow(handle);
  if (!window) return {};
  if (window->parent == 0) return window->rect;
  int x = 0, y = 0;
  ClientOrigin(window->parent, x, y);
  return {window->rect.left + x, window->rect.top + y, window->rect.right + x,
          window->rect.bottom + y};
}

Rect GetClientRect(Hwnd handle) {
  const Window* window = GetWindow(handle);
  if (!window) return {};
  if (!window->isDialog) return {0, 0, window->rect.Width(), window->rect.Height()};
  int left, top, right, bottom;
  NonClientSize(window->style, left, top, right, bottom);
  if ((window->style & WS_VSCROLL) && window->vscroll.Shown()) right += kScrollBarWidth;
  return {0, 0, std::max(0, window->rect.Width() - left - right),
          std::max(0, window->rect.Height() - top - bottom)};
}

void ClientOrigin(Hwnd handle, int& x, int& y) {
  const Rect outer = GetWindowRect(handle);
  x = outer.left;
  y = outer.top;
  const Window* window = GetWindow(handle);
  if (!window || !window->isDialog) return;
  int left, top, right, bottom;
  NonClientSize(window->style, left, top, right, bottom);
  x += left;
  y += top;
}

Rect ScreenToClient(Hwnd window, const Rect& rect) {
  int x = 0, y = 0;
  ClientOrigin(window, x, y);
  return {rect.left - x, rect.top - y, rect.right - x, rect.bottom - y};
}

Rect ClientToScreen(Hwnd window, const Rect& rect) {
  int x = 0, y = 0;
  ClientOrigin(window, x, y);
  return {rect.left + x, rect.top + y, rect.right + x, rect.bottom + y};
}

void MoveWindow(Hwnd handle, const Rect& rect) {
  Window* window = GetWindow(handle);
  if (!window) return;
  const Rect before = GetClientRect(handle);
  window->rect = rect;
  const Rect after = GetClientRect(handle);
  if (before == after) return;
  intptr_t result = 0;
  SendMessage(handle, {.kind = MessageKind::Size, .x = after.Width(), .y = after.Height()}, result);
}

void MoveWindowOnto(Hwnd handle, Hwnd placeholder) {
  const Window* window = GetWindow(handle);
  if (!window || !IsWindow(placeholder)) return;
  const Rect screen = GetWindowRect(placeholder);
  MoveWindow(handle, window->parent == 0 ? screen : ScreenToClient(window->parent, screen));
}

void SetScrollInfo(Hwnd handle, const ScrollInfo& info) {
  Window* window = GetWindow(handle);
  if (!window) return;
  ScrollInfo clamped = info;
  const int highest = std::max(clamped.min, clamped.max - std::max(clamped.page - 1, 0));
  clamped.pos = std::clamp(clamped.pos, clamped.min, highest);
  window->vscroll = clamped;
}

ScrollInfo GetScrollInfo(Hwnd handle) {
  const Window* window = GetWindow(handle);
  return window ? window->vscroll : ScrollInfo{};
}

void ScrollWindow(Hwnd handle, int dy) {
  const Window* window = GetWindow(handle);
  if (!window) return;
  for (Hwnd child : window->children) {
    Rect& rect = GetWindow(child)->rect;
    rect.top += dy;
    rect.bottom += dy;
  }
}

void RedrawNow(Hwnd handle) {
  if (Window* window = GetWindow(handle)) ++window->paintCount;
}

bool SendMessage(Hwnd handle, const Message& message, intptr_t& result) {
  const Window* window = GetWindow(handle);
  if (!window || !window->target) return false;
  return window->target->HandleMessage(message, result);
}

intptr_t NotifyParent(Hwnd control, MessageKind kind) {
  const Window* window = GetWindow(control);
  if (!window) return 0;
  intptr_t result = 0;
  SendMessage(window->parent, {.kind = kind, .controlId = window->id, .from = control}, result);
  return result;
}

void SetScreenSize(int width, int height) {
  TheDesktop().screenWidth = std::max(width, 1);
  TheDesktop().screenHeight = std::max(height, 1);
}

int ScreenWidth() { return TheDesktop().screenWidth; }
int ScreenHeight() { return TheDesktop().screenHeight; }

void ResetItems(Hwnd control) {
  Window* window = GetWindow(control);
  if (!window) return;
  window->items.clear();
  window->itemData.clear();
  window->selection = -1;
  window->topIndex = 0;
}

int32_t AddItem(Hwnd control, std::string text, int32_t data) {
  Window* window = GetWindow(control);
  if (!window) return -1;
  window->items.push_back(std::move(text));
  window->itemData.push_back(data);
  return static_cast<int32_t>(window->items.size()) - 1;
}

void InsertItem(Hwnd control, int32_t index, std::string text) {
  Window* window = GetWindow(control);
  if (!window) return;
  const auto at =
      std::clamp<size_t>(static_cast<size_t>(std::max(index, 0)), 0, window->items.size());
  window->items.insert(window->items.begin() + static_cast<std::ptrdiff_t>(at), std::move(text));
  window->itemData.insert(window->itemData.begin() + static_cast<std::ptrdiff_t>(at), 0);
}

void SetSelection(Hwnd control, int32_t index) {
  Window* window = GetWindow(control);
  if (!window) return;
  const bool inRange = index >= 0 && static_cast<size_t>(index) < window->items.size();
  window->selection = inRange ? index : -1;
}

int32_t GetSelection(Hwnd control) {
  const Window* window = GetWindow(control);
  return window ? window->selection : -1;
}

void SetListExStyle(Hwnd list, uint32_t mask, uint32_t value) {
  Window* window = GetWindow(list);
  if (!window) return;
  if (mask == 0) mask = ~0u;
  window->listExStyle = (window->listExStyle & ~mask) | (value & mask);
}

void InsertListColumn(Hwnd list, int32_t index, std::string text, int width) {
  Window* window = GetWindow(list);
  if (!window) return;
  const auto at =
      std::clamp<size_t>(static_cast<size_t>(std::max(index, 0)), 0, window->columns.size());
  window->columns.insert(window->columns.begin() + static_cast<std::ptrdiff_t>(at),
                         ListColumn{std::move(text), width});
}

void SetChecked(Hwnd button, bool checked) {
  if (Window* window = GetWindow(button)) window->checked = checked;
}

}  // namespace vantel
