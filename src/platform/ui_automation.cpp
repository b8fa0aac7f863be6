// The automation API: the C gate onto the window layer. Each call runs in the plug-in's own
// module state (handlers load strings) and lets no exception out.
#include "vantel/ui_automation.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/module_state.h"
#include "platform/svg.h"
#include "platform/window.h"

namespace vantel {
namespace {

template <typename Result, typename Body>
Result Guarded(Result failure, Body&& body) noexcept {
  try {
    ModuleStateGuard guard(PluginModuleState());
    return body();
  } catch (...) {
    return failure;
  }
}

int32_t CopyOut(const std::string& text, char* buf, int32_t size) {
  if (buf && size > 0) {
    const size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
  }
  return static_cast<int32_t>(text.size());
}

template <typename Read>
int32_t ReadWindow(VantelUiWindow handle, Read&& read) {
  return Guarded<int32_t>(-1, [&]() -> int32_t {
    const Window* window = GetWindow(handle);
    return window ? read(*window) : -1;
  });
}

// Names a host prints and a script reads; the window layer's own order.
constexpr std::array<const char*, 10> kKindNames = {
    VANTEL_UI_KIND_PUSH_BUTTON,  VANTEL_UI_KIND_DEFAULT_BUTTON, VANTEL_UI_KIND_GROUP_BOX,
    VANTEL_UI_KIND_STATIC,       VANTEL_UI_KIND_EDIT,           VANTEL_UI_KIND_CHECK_BOX,
    VANTEL_UI_KIND_RADIO_BUTTON, VANTEL_UI_KIND_COMBO_BOX,      VANTEL_UI_KIND_LIST_VIEW,
    VANTEL_UI_KIND_TAB_CONTROL};
static_assert(kKindNames.size() == static_cast<size_t>(ControlKind::TabControl) + 1);

// The public requests are the scroll bar's own codes, passed through as they are.
static_assert(VANTEL_UI_SCROLL_LINE_UP == SB_LINEUP && VANTEL_UI_SCROLL_LINE_DOWN == SB_LINEDOWN &&
              VANTEL_UI_SCROLL_PAGE_UP == SB_PAGEUP && VANTEL_UI_SCROLL_PAGE_DOWN == SB_PAGEDOWN &&
              VANTEL_UI_SCROLL_THUMB_POSITION == SB_THUMBPOSITION &&
              VANTEL_UI_SCROLL_THUMB_TRACK == SB_THUMBTRACK && VANTEL_UI_SCROLL_TOP == SB_TOP &&
              VANTEL_UI_SCROLL_BOTTOM == SB_BOTTOM);

// A malloc'ed copy, released by the caller with free(); null for an empty text.
char* MallocCopy(const std::string& text) {
  if (text.empty()) return nullptr;
  char* out = static_cast<char*>(std::malloc(text.size() + 1));
  if (!out) return nullptr;
  std::memcpy(out, text.c_str(), text.size() + 1);
  return out;
}

template <typename Action>
int32_t Act(Action&& act) {
  return Guarded<int32_t>(0, [&]() -> int32_t { return act() ? 1 : 0; });
}

}  // namespace
}  // namespace vantel

using namespace vantel;

extern "C" {

void VantelUiSetHook(VantelUiHookFn hook, void* user) {
  // The layer's hook has the same shape as the C one.
  SetUiHook(hook, user);
}

void VantelUiSetScreenSize(int32_t width, int32_t height) { SetScreenSize(width, height); }

VantelUiWindow VantelUiFindWindow(const char* caption) {
  if (!caption) return 0;
  return Guarded<VantelUiWindow>(0, [&] { return FindTopLevelWindow(caption); });
}

VantelUiWindow VantelUiGetControl(VantelUiWindow dialog, int32_t id) {
  return Guarded<VantelUiWindow>(0, [&] { return FindDescendant(dialog, id); });
}

int32_t VantelUiGetText(VantelUiWindow window, char* buf, int32_t size) {
  return ReadWindow(window, [&](const Window& w) { return CopyOut(w.text, buf, size); });
}

int32_t VantelUiIsVisible(VantelUiWindow window) {
  return ReadWindow(window, [](const Window& w) { return w.visible ? 1 : 0; });
}

int32_t VantelUiIsEnabled(VantelUiWindow window) {
  return ReadWindow(window, [](const Window& w) { return w.enabled ? 1 : 0; });
}

int32_t VantelUiIsChecked(VantelUiWindow window) {
  return ReadWindow(window, [](const Window& w) { return w.checked ? 1 : 0; });
}

int32_t VantelUiGetItemCount(VantelUiWindow control) {
  return ReadWindow(control, [](const Window& w) { return static_cast<int32_t>(w.items.size()); });
}

int32_t VantelUiGetItemText(VantelUiWindow control, int32_t index, char* buf, int32_t size) {
  return ReadWindow(control, [&](const Window& w) {
    if (index < 0 || static_cast<size_t>(index) >= w.items.size()) return -1;
    return CopyOut(w.items[static_cast<size_t>(index)], buf, size);
  });
}

int32_t VantelUiGetSelection(VantelUiWindow control) {
  return ReadWindow(control, [](const Window& w) { return w.selection; });
}

int32_t VantelUiGetRect(VantelUiWindow window, int32_t rect[4]) {
  return ReadWindow(window, [&](const Window& w) {
    if (!rect) return -1;
    const Rect r = GetWindowRect(w.handle);
    rect[0] = r.left;
    rect[1] = r.top;
    rect[2] = r.right;
    rect[3] = r.bottom;
    return 0;
  });
}

int32_t VantelUiGetScroll(VantelUiWindow window, int32_t info[4]) {
  return ReadWindow(window, [&](const Window& w) {
    if (!info) return -1;
    info[0] = w.vscroll.min;
    info[1] = w.vscroll.max;
    info[2] = w.vscroll.page;
    info[3] = w.vscroll.pos;
    return 0;
  });
}

int32_t VantelUiGetTopRow(VantelUiWindow list) {
  return ReadWindow(list, [](const Window& w) { return w.topIndex; });
}

int32_t VantelUiGetPaintCount(VantelUiWindow window) {
  return ReadWindow(window, [](const Window& w) { return w.paintCount; });
}

VantelUiWindow VantelUiGetChild(VantelUiWindow window, int32_t index) {
  return Guarded<VantelUiWindow>(0, [&]() -> VantelUiWindow {
    const Window* parent = GetWindow(window);
    if (!parent || index < 0 || static_cast<size_t>(index) >= parent->children.size()) return 0;
    return parent->children[static_cast<size_t>(index)];
  });
}

int32_t VantelUiGetId(VantelUiWindow window) {
  return ReadWindow(window, [](const Window& w) { return w.id; });
}

int32_t VantelUiGetKind(VantelUiWindow window, char* buf, int32_t size) {
  return ReadWindow(window, [&](const Window& w) {
    const auto kind = static_cast<size_t>(w.kind);
    return CopyOut(
        w.isDialog || kind >= kKindNames.size() ? VANTEL_UI_KIND_DIALOG : kKindNames[kind], buf,
        size);
  });
}

int32_t VantelUiClick(VantelUiWindow control) {
  return Act([&] { return user::Click(control); });
}

int32_t VantelUiSelectComboItem(VantelUiWindow combo, int32_t index) {
  return Act([&] { return user::SelectComboItem(combo, index, true); });
}

int32_t VantelUiDismissComboAt(VantelUiWindow combo, int32_t index) {
  return Act([&] { return user::SelectComboItem(combo, index, false); });
}

int32_t VantelUiSetEditText(VantelUiWindow edit, const char* text) {
  return Act([&] { return user::SetEditText(edit, text ? text : ""); });
}

int32_t VantelUiSelectTab(VantelUiWindow tab, int32_t index) {
  return Act([&] { return user::SelectTab(tab, index); });
}

int32_t VantelUiPressOk(VantelUiWindow window) {
  return Act([&] { return user::PressOk(window); });
}

int32_t VantelUiPressCancel(VantelUiWindow window) {
  return Act([&] { return user::PressCancel(window); });
}

VantelUiWindow VantelUiAskHelp(VantelUiWindow control) {
  return Guarded<VantelUiWindow>(0, [&] { return user::AskHelp(control); });
}

int32_t VantelUiResize(VantelUiWindow window, int32_t edge, int32_t width, int32_t height) {
  return Act([&] { return user::Resize(window, edge, width, height); });
}

int32_t VantelUiScroll(VantelUiWindow window, int32_t request, int32_t position) {
  return Act([&] { return user::Scroll(window, request, position); });
}

char* VantelUiRenderSvg(VantelUiWindow window) {
  return Guarded<char*>(nullptr, [&] { return MallocCopy(RenderSvg(window)); });
}

char* VantelUiGetReportFindings(VantelUiWindow report) {
  return Guarded<char*>(nullptr, [&]() -> char* {
    // The report answers for itself; its list answers through it.
    const Window* window = GetWindow(report);
    if (window && !window->isDialog && window->parent != 0) report = window->parent;
    std::string json;
    intptr_t result = 0;
    if (!SendMessage(report, {.kind = MessageKind::GetObjectText, .text = &json}, result))
      return nullptr;
    return MallocCopy(json);
  });
}

int32_t VantelUiRenderSvgToFile(VantelUiWindow window, const char* path) {
  if (!path) return 0;
  return Act([&] {
    const std::string svg = RenderSvg(window);
    if (svg.empty()) return false;
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    const bool written = std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
    return std::fclose(file) == 0 && written;
  });
}

}  // extern "C"
