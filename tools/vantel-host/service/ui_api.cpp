#include "ui_api.h"

#include <algorithm>
#include <cstdlib>
#include <type_traits>

namespace vantel::host {

Json FindingsApi::Read(const std::string& caption) const {
  if (!findWindow || !reportFindings) return Json::array();
  const VantelUiWindow report = findWindow(caption.c_str());
  if (report == 0) return Json::array();
  char* text = reportFindings(report);
  if (!text) return Json::array();
  Json findings = Json::parse(text, nullptr, false);
  std::free(text);
  return findings.is_array() ? findings : Json::array();
}

UiApi UiApi::Load(const std::function<void*(const char*)>& resolve) {
  UiApi ui{};
  const auto take = [&](auto& slot, const char* name) {
    slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(resolve(name));
  };
  take(ui.setHook, "VantelUiSetHook");
  take(ui.setScreenSize, "VantelUiSetScreenSize");
  take(ui.getControl, "VantelUiGetControl");
  take(ui.getChild, "VantelUiGetChild");
  take(ui.getId, "VantelUiGetId");
  take(ui.getKind, "VantelUiGetKind");
  take(ui.getText, "VantelUiGetText");
  take(ui.isVisible, "VantelUiIsVisible");
  take(ui.isEnabled, "VantelUiIsEnabled");
  take(ui.isChecked, "VantelUiIsChecked");
  take(ui.getItemCount, "VantelUiGetItemCount");
  take(ui.getItemText, "VantelUiGetItemText");
  take(ui.getSelection, "VantelUiGetSelection");
  take(ui.click, "VantelUiClick");
  take(ui.selectComboItem, "VantelUiSelectComboItem");
  take(ui.dismissComboAt, "VantelUiDismissComboAt");
  take(ui.setEditText, "VantelUiSetEditText");
  take(ui.selectTab, "VantelUiSelectTab");
  take(ui.pressOk, "VantelUiPressOk");
  take(ui.pressCancel, "VantelUiPressCancel");
  take(ui.askHelp, "VantelUiAskHelp");
  take(ui.renderSvgToFile, "VantelUiRenderSvgToFile");
  take(ui.renderSvg, "VantelUiRenderSvg");
  take(ui.getRect, "VantelUiGetRect");
  take(ui.getScroll, "VantelUiGetScroll");
  take(ui.resize, "VantelUiResize");
  take(ui.scroll, "VantelUiScroll");
  take(ui.findWindow, "VantelUiFindWindow");
  return ui;
}

std::string UiApi::Text(VantelUiWindow window) const {
  const int32_t length = getText(window, nullptr, 0);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  getText(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

std::string UiApi::Kind(VantelUiWindow window) const {
  char kind[32] = "";
  return getKind(window, kind, sizeof kind) < 0 ? std::string() : std::string(kind);
}

std::vector<std::string> UiApi::Items(VantelUiWindow window) const {
  std::vector<std::string> items;
  const int32_t count = getItemCount(window);
  for (int32_t i = 0; i < count; ++i) {
    const int32_t length = getItemText(window, i, nullptr, 0);
    std::string text(static_cast<size_t>(std::max(length, 0)) + 1, '\0');
    getItemText(window, i, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(length, 0)));
    items.push_back(std::move(text));
  }
  return items;
}

std::optional<ControlKind> UiApi::KindOf(VantelUiWindow window) const {
  return ParseControlKind(Kind(window));
}

}  // namespace vantel::host
