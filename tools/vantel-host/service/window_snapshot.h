#pragma once
// A window as the automation API shows it at one moment, read once and then written for a
// terminal (text) or for the page (JSON): both writers see the same controls.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui_api.h"
#include "vocabulary.h"

namespace vantel::host {

/// Screen pixels: left, top, right, bottom.
using ScreenRect = std::array<int32_t, 4>;

struct ControlSnapshot {
  VantelUiWindow handle = 0;
  int32_t id = 0;
  std::string kindName;             // as the API names it, known to this host or not
  std::optional<ControlKind> kind;  // nothing for a name this host does not know
  std::string text;
  ScreenRect rect{};
  bool visible = false;
  bool enabled = false;
  bool checked = false;                   // read for the kinds that take a check
  std::vector<std::string> items;         // read for the kinds that list entries
  int32_t selection = -1;                 // likewise
  std::vector<ControlSnapshot> children;  // a page's controls, in tab order

  bool Is(ControlKind k) const { return kind == k; }
  bool ListsEntries() const;
  bool ShowsSelection() const;
  bool TakesCheck() const;
};

struct WindowSnapshot {
  VantelUiWindow handle = 0;
  std::string caption;
  std::string kindName;
  ScreenRect rect{};
  /// min, max, page, position; nothing when the window has no range to scroll.
  std::optional<std::array<int32_t, 4>> scrollBar;
  std::vector<ControlSnapshot> controls;  // in tab order, hidden ones too
};

WindowSnapshot ReadWindowSnapshot(const UiApi& ui, VantelUiWindow window);

/// The name a host gives control `id` beside its number; "" for none.
using ControlNamer = std::function<std::string(int32_t id)>;

/// One line per control a user can see: id and name, kind, text or selection and entries,
/// check mark, "disabled". Pages are indented under their dialog.
std::string WindowSnapshotText(const WindowSnapshot& window, const ControlNamer& nameOf);

/// {"handle", "caption", "kind", "rect" (the window's size), "scroll", "controls"}: every
/// control, hidden ones too, its rectangle from the window's top left corner.
Json WindowSnapshotJson(const WindowSnapshot& window);

}  // namespace vantel::host
