#pragma once
// Dialog templates kept as data, the way a resource section held them. Sizes are in dialog
// units; window.h turns them into pixels.
#include <cstddef>
#include <cstdint>

namespace vantel {

// Window styles with their Windows values, so that templates read like the originals.
inline constexpr uint32_t WS_POPUP = 0x80000000;
inline constexpr uint32_t WS_CHILD = 0x40000000;
inline constexpr uint32_t WS_VISIBLE = 0x10000000;
inline constexpr uint32_t WS_DISABLED = 0x08000000;
inline constexpr uint32_t WS_CAPTION = 0x00C00000;
inline constexpr uint32_t WS_BORDER = 0x00800000;
inline constexpr uint32_t WS_VSCROLL = 0x00200000;
inline constexpr uint32_t WS_SYSMENU = 0x00080000;
inline constexpr uint32_t WS_THICKFRAME = 0x00040000;
inline constexpr uint32_t WS_GROUP = 0x00020000;
inline constexpr uint32_t WS_MINIMIZEBOX = 0x00020000;  // same bit as WS_GROUP, top level only
inline constexpr uint32_t WS_TABSTOP = 0x00010000;
inline constexpr uint32_t DS_SETFONT = 0x40;
inline constexpr uint32_t DS_MODALFRAME = 0x80;

// List view styles (report mode and its options) and extended styles.
inline constexpr uint32_t LVS_REPORT = 0x0001;
inline constexpr uint32_t LVS_SINGLESEL = 0x0004;
inline constexpr uint32_t LVS_SHOWSELALWAYS = 0x0008;
inline constexpr uint32_t LVS_ALIGNLEFT = 0x0800;
inline constexpr uint32_t LVS_NOCOLUMNHEADER = 0x4000;
inline constexpr uint32_t LVS_NOSORTHEADER = 0x8000;
inline constexpr uint32_t LVS_EX_GRIDLINES = 0x01;
inline constexpr uint32_t LVS_EX_FULLROWSELECT = 0x20;
inline constexpr uint32_t LVS_EX_ONECLICKACTIVATE = 0x40;

enum class ControlKind : uint8_t {
  PushButton,
  DefPushButton,
  GroupBox,
  Static,
  Edit,
  CheckBox,
  RadioButton,
  ComboBox,  // drop-down list: no typing, one selection
  ListView,  // report mode
  TabControl,
};

struct DuRect {
  int16_t x, y, w, h;
};

struct ControlTemplate {
  int32_t id;
  ControlKind kind;
  const char* text;  // UTF-8; "" for none
  DuRect rect;
  uint32_t styles;    // WS_TABSTOP, WS_GROUP, WS_BORDER, WS_DISABLED, list view styles...
  uint32_t help = 0;  // string id of the text F1 shows on the control; 0: none
};

struct DialogTemplate {
  uint32_t id;
  const char* caption;    // UTF-8
  int16_t width, height;  // client size, dialog units
  uint32_t styles;
  const ControlTemplate* controls;
  size_t controlCount;
};

/// The template `id` from the resources in force, else the built-in one; null when unknown.
const DialogTemplate* FindDialogTemplate(uint32_t id);

}  // namespace vantel
