#include "window_snapshot.h"

#include "one_line.h"

namespace vantel::host {

namespace {

ScreenRect RectOf(const UiApi& ui, VantelUiWindow window) {
  ScreenRect rect{};
  ui.getRect(window, rect.data());
  return rect;
}

std::vector<ControlSnapshot> ReadChildren(const UiApi& ui, VantelUiWindow window);

ControlSnapshot ReadControl(const UiApi& ui, VantelUiWindow handle) {
  ControlSnapshot control;
  control.handle = handle;
  control.id = ui.getId(handle);
  control.kindName = ui.Kind(handle);
  control.kind = ParseControlKind(control.kindName);
  control.text = ui.Text(handle);
  control.rect = RectOf(ui, handle);
  control.visible = ui.isVisible(handle) == 1;
  control.enabled = ui.isEnabled(handle) == 1;
  if (control.TakesCheck()) control.checked = ui.isChecked(handle) == 1;
  if (control.ListsEntries()) {
    control.items = ui.Items(handle);
    control.selection = ui.getSelection(handle);
  }
  if (control.Is(ControlKind::kDialog)) control.children = ReadChildren(ui, handle);
  return control;
}

std::vector<ControlSnapshot> ReadChildren(const UiApi& ui, VantelUiWindow window) {
  std::vector<ControlSnapshot> children;
  for (int32_t i = 0;; ++i) {
    const VantelUiWindow child = ui.getChild(window, i);
    if (child == 0) return children;
    children.push_back(ReadControl(ui, child));
  }
}

void WriteText(const std::vector<ControlSnapshot>& controls, const ControlNamer& nameOf, int depth,
               std::string& out) {
  const std::string indent(static_cast<size_t>(depth) * 2, ' ');
  for (const ControlSnapshot& control : controls) {
    if (!control.visible) continue;
    const std::string name = nameOf ? nameOf(control.id) : std::string();
    std::string line = indent + std::to_string(control.id) + (name.empty() ? "" : " " + name) +
                       ": " + control.kindName;
    if (control.Is(ControlKind::kDialog)) {
      out += line + "\n";
      WriteText(control.children, nameOf, depth + 1, out);
      continue;
    }
    if (control.ListsEntries()) {
      const std::vector<std::string>& items = control.items;
      const int32_t selection = control.selection;
      const bool selected = selection >= 0 && static_cast<size_t>(selection) < items.size();
      line += selected ? ", " + std::to_string(selection) + " " +
                             OneLineQuoted(items[static_cast<size_t>(selection)])
                       : ", none";
      line += " of " + OneLineList(items);
    } else {
      line += " " + OneLineQuoted(control.text);
    }
    if (control.TakesCheck()) line += control.checked ? ", checked" : ", unchecked";
    if (!control.enabled) line += ", disabled";
    out += line + "\n";
  }
}

Json ControlJson(const ControlSnapshot& control, const ScreenRect& window) {
  const ScreenRect& r = control.rect;
  Json json{
      {"handle", control.handle},
      {"id", control.id},
      {"kind", control.kindName},
      {"text", control.text},
      {"rect", Json::array({r[0] - window[0], r[1] - window[1], r[2] - r[0], r[3] - r[1]})},
      {"visible", control.visible},
      {"enabled", control.enabled},
  };
  if (control.TakesCheck()) json["checked"] = control.checked;
  if (control.ListsEntries()) json["items"] = control.items;
  if (control.ShowsSelection()) json["selection"] = control.selection;
  if (control.Is(ControlKind::kDialog)) {
    Json children = Json::array();
    for (const ControlSnapshot& child : control.children)
      children.push_back(ControlJson(child, window));
    json["controls"] = std::move(children);
  }
  return json;
}

}  // namespace

bool ControlSnapshot::ListsEntries() const { return kind && host::ListsEntries(*kind); }
bool ControlSnapshot::ShowsSelection() const { return kind && host::ShowsSelection(*kind); }
bool ControlSnapshot::TakesCheck() const { return kind && host::TakesCheck(*kind); }

WindowSnapshot ReadWindowSnapshot(const UiApi& ui, VantelUiWindow window) {
  WindowSnapshot snapshot;
  snapshot.handle = window;
  snapshot.caption = ui.Text(window);
  snapshot.kindName = ui.Kind(window);
  snapshot.rect = RectOf(ui, window);
  std::array<int32_t, 4> bar{};
  if (ui.getScroll(window, bar.data()) == 0 && bar[1] > bar[0]) snapshot.scrollBar = bar;
  snapshot.controls = ReadChildren(ui, window);
  return snapshot;
}

std::string WindowSnapshotText(const WindowSnapshot& window, const ControlNamer& nameOf) {
  std::string out = "window " + OneLineQuoted(window.caption) + "\n";
  WriteText(window.controls, nameOf, 1, out);
  return out;
}

Json WindowSnapshotJson(const WindowSnapshot& window) {
  const ScreenRect& r = window.rect;
  Json controls = Json::array();
  for (const ControlSnapshot& control : window.controls)
    controls.push_back(ControlJson(control, r));
  Json json{
      {"handle", window.handle},
      {"caption", window.caption},
      {"kind", window.kindName},
      {"rect", Json::array({0, 0, r[2] - r[0], r[3] - r[1]})},
      {"scroll", window.scrollBar ? Json(*window.scrollBar) : Json(nullptr)},
  };
  json["controls"] = std::move(controls);
  return json;
}

}  // namespace vantel::host
