#pragma once
// The geometry of each dialog template, shared by every language: a language gives only
// the texts. Header-only, so that a resource library needs nothing else.
#include <array>

#include "platform/dialog_template.h"
#include "platform/message_box.h"
#include "res/dialog_ids.h"

namespace vantel::layout {

inline constexpr uint32_t kReportStyles = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                                          DS_MODALFRAME | DS_SETFONT | WS_DISABLED;
inline constexpr uint32_t kReportListStyles = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                              LVS_NOCOLUMNHEADER | LVS_NOSORTHEADER |
                                              LVS_ALIGNLEFT | WS_BORDER | WS_TABSTOP;

struct ReportTexts {
  const char* close;
  const char* group;
};

constexpr std::array<ControlTemplate, 3> ReportControls(ReportTexts t) {
  return {{
      {IDOK, ControlKind::DefPushButton, t.close, {27, 85, 50, 14}, WS_TABSTOP},
      {IDC_REPORT_GROUP, ControlKind::GroupBox, t.group, {7, 7, 341, 71}, 0},
      {IDC_REPORT_LIST, ControlKind::ListView, "", {14, 18, 327, 53}, kReportListStyles},
  }};
}
inline constexpr int16_t kReportWidth = 355;
inline constexpr int16_t kReportHeight = 106;

inline constexpr uint32_t kMainStyles =
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_VSCROLL | DS_SETFONT;

struct MainTexts {
  const char* ok;
  const char* cancel;
  const char* noteGroup;
  const char* noteText;
  const char* pagePlace;
};

constexpr std::array<ControlTemplate, 6> MainControls(MainTexts t) {
  return {{
      {IDOK, ControlKind::DefPushButton, t.ok, {21, 493, 50, 14}, WS_TABSTOP | WS_GROUP},
      {IDCANCEL, ControlKind::PushButton, t.cancel, {87, 493, 50, 14}, WS_TABSTOP},
      {IDC_MAIN_TABS, ControlKind::TabControl, "", {7, 5, 321, 483}, WS_TABSTOP},
      {IDC_MAIN_NOTE_GROUP, ControlKind::GroupBox, t.noteGroup, {14, 325, 305, 156}, 0},
      {IDC_MAIN_NOTE_TEXT, ControlKind::Static, t.noteText, {21, 336, 289, 139}, 0},
      {IDC_MAIN_PAGE_PLACE, ControlKind::Static, t.pagePlace, {14, 19, 305, 302}, 0},
  }};
}
inline constexpr int16_t kMainWidth = 347;
inline constexpr int16_t kMainHeight = 513;

inline constexpr uint32_t kMapStyles =
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

struct MapTexts {
  const char* group;
  const char* vertical;
  const char* horizontal;
  const char* ok;
  const char* cancel;
};

constexpr std::array<ControlTemplate, 7> MapControls(MapTexts t) {
  return {{
      {IDC_MAP_GROUP, ControlKind::GroupBox, t.group, {7, 7, 353, 50}, 0},
      {IDC_MAP_VERTICAL, ControlKind::ComboBox, "", {14, 19, 214, 120}, WS_TABSTOP | WS_VSCROLL},
      {IDC_MAP_VERTICAL_LABEL, ControlKind::Static, t.vertical, {230, 19, 122, 12}, 0},
      {IDC_MAP_HORIZONTAL, ControlKind::ComboBox, "", {14, 35, 214, 120},
       WS_TABSTOP | WS_VSCROLL},
      {IDC_MAP_HORIZONTAL_LABEL, ControlKind::Static, t.horizontal, {230, 35, 122, 12}, 0},
      {IDOK, ControlKind::DefPushButton, t.ok, {30, 65, 50, 14}, WS_TABSTOP},
      {IDCANCEL, ControlKind::PushButton, t.cancel, {107, 65, 50, 14}, WS_TABSTOP},
  }};
}
// The template is as wide as its group box needs: 7 + 353 + 7.
inline constexpr int16_t kMapWidth = 367;
inline constexpr int16_t kMapHeight = 86;

}  // namespace vantel::layout
