#pragma once
// Ids of the dialog templates and of their controls.
#include <cstdint>

namespace vantel {

inline constexpr uint32_t IDD_MAIN_CONFIGURATION = 1008;
inline constexpr uint32_t IDD_REPORT = 1013;
inline constexpr uint32_t IDD_MAP_SCALE = 1015;

// Main configuration dialog.
inline constexpr int32_t IDC_MAIN_TABS = 1065;
inline constexpr int32_t IDC_MAIN_NOTE_GROUP = 1061;
inline constexpr int32_t IDC_MAIN_NOTE_TEXT = 1062;
inline constexpr int32_t IDC_MAIN_PAGE_PLACE = 1096;

// Error report.
inline constexpr int32_t IDC_REPORT_GROUP = 1111;
inline constexpr int32_t IDC_REPORT_LIST = 1112;

// Map scale selection.
inline constexpr int32_t IDC_MAP_GROUP = 1176;
inline constexpr int32_t IDC_MAP_VERTICAL_LABEL = 1177;
inline constexpr int32_t IDC_MAP_VERTICAL = 1178;
inline constexpr int32_t IDC_MAP_HORIZONTAL_LABEL = 1179;
inline constexpr int32_t IDC_MAP_HORIZONTAL = 1180;

}  // namespace vantel
