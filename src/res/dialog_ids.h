#pragma once
// Ids of the dialog templates and of their controls, typed for the plug-in's code. Hosts
// drive the controls by these ids, so their values live in the public header alone.
#include <array>
#include <cstddef>
#include <cstdint>

#include "vantel/ui_controls.h"

namespace vantel {

inline constexpr uint32_t IDD_MAIN_CONFIGURATION = VANTEL_IDD_MAIN_CONFIGURATION;
inline constexpr uint32_t IDD_ENGINE_PAGE = VANTEL_IDD_ENGINE_PAGE;
inline constexpr uint32_t IDD_IGNITION_PAGE = VANTEL_IDD_IGNITION_PAGE;
inline constexpr uint32_t IDD_INJECTION_PAGE = VANTEL_IDD_INJECTION_PAGE;
inline constexpr uint32_t IDD_REPORT = VANTEL_IDD_REPORT;
inline constexpr uint32_t IDD_MAP_SCALE = VANTEL_IDD_MAP_SCALE;
inline constexpr uint32_t IDD_PHASES_PAGE = VANTEL_IDD_PHASES_PAGE;
inline constexpr uint32_t IDD_BANKS_PAGE = VANTEL_IDD_BANKS_PAGE;

// Main configuration dialog.
inline constexpr int32_t IDC_MAIN_TABS = VANTEL_IDC_MAIN_TABS;
inline constexpr int32_t IDC_MAIN_NOTE_GROUP = VANTEL_IDC_MAIN_NOTE_GROUP;
inline constexpr int32_t IDC_MAIN_NOTE_TEXT = VANTEL_IDC_MAIN_NOTE_TEXT;
inline constexpr int32_t IDC_MAIN_PAGE_PLACE = VANTEL_IDC_MAIN_PAGE_PLACE;

// Engine page.
inline constexpr int32_t IDC_ENGINE_GROUP = VANTEL_IDC_ENGINE_GROUP;
inline constexpr int32_t IDC_ENGINE_CYLINDERS = VANTEL_IDC_ENGINE_CYLINDERS;
inline constexpr int32_t IDC_ENGINE_CYLINDERS_LABEL = VANTEL_IDC_ENGINE_CYLINDERS_LABEL;
inline constexpr int32_t IDC_FLYWHEEL_GROUP = VANTEL_IDC_FLYWHEEL_GROUP;
inline constexpr int32_t IDC_FLYWHEEL_SAME_TEETH = VANTEL_IDC_FLYWHEEL_SAME_TEETH;
inline constexpr int32_t IDC_FLYWHEEL_ONE_MISSING = VANTEL_IDC_FLYWHEEL_ONE_MISSING;
inline constexpr int32_t IDC_FLYWHEEL_TWO_MISSING = VANTEL_IDC_FLYWHEEL_TWO_MISSING;
inline constexpr int32_t IDC_FLYWHEEL_ONE_EXTRA = VANTEL_IDC_FLYWHEEL_ONE_EXTRA;
inline constexpr int32_t IDC_FLYWHEEL_RS_TYPE =
    VANTEL_IDC_FLYWHEEL_RS_TYPE;  // the alternative singularity
inline constexpr int32_t IDC_FLYWHEEL_OCCURRENCES = VANTEL_IDC_FLYWHEEL_OCCURRENCES;
inline constexpr int32_t IDC_FLYWHEEL_OCCURRENCES_LABEL = VANTEL_IDC_FLYWHEEL_OCCURRENCES_LABEL;
inline constexpr int32_t IDC_FLYWHEEL_TEETH = VANTEL_IDC_FLYWHEEL_TEETH;
inline constexpr int32_t IDC_FLYWHEEL_TEETH_LABEL = VANTEL_IDC_FLYWHEEL_TEETH_LABEL;
inline constexpr int32_t IDC_SYNC_GROUP = VANTEL_IDC_SYNC_GROUP;
inline constexpr int32_t IDC_SYNC_RPM = VANTEL_IDC_SYNC_RPM;
inline constexpr int32_t IDC_SYNC_RPM_LABEL = VANTEL_IDC_SYNC_RPM_LABEL;

// Ignition page.
inline constexpr int32_t IDC_IGNITION_TYPE_GROUP = VANTEL_IDC_IGNITION_TYPE_GROUP;
inline constexpr int32_t IDC_IGNITION_DISTRIBUTED = VANTEL_IDC_IGNITION_DISTRIBUTED;
inline constexpr int32_t IDC_IGNITION_TWIN_SPARK = VANTEL_IDC_IGNITION_TWIN_SPARK;
inline constexpr int32_t IDC_IGNITION_STATIC = VANTEL_IDC_IGNITION_STATIC;
inline constexpr int32_t IDC_IGNITION_DELAY_GROUP = VANTEL_IDC_IGNITION_DELAY_GROUP;
inline constexpr int32_t IDC_IGNITION_DELAY = VANTEL_IDC_IGNITION_DELAY;
inline constexpr int32_t IDC_IGNITION_DELAY_LABEL = VANTEL_IDC_IGNITION_DELAY_LABEL;

// Injection page.
inline constexpr int32_t IDC_INJECTION_RAILS_GROUP = VANTEL_IDC_INJECTION_RAILS_GROUP;
inline constexpr int32_t IDC_INJECTION_ONE_RAIL = VANTEL_IDC_INJECTION_ONE_RAIL;
inline constexpr int32_t IDC_INJECTION_RAIL1_TO_RAIL2 = VANTEL_IDC_INJECTION_RAIL1_TO_RAIL2;
inline constexpr int32_t IDC_INJECTION_RAIL1_TO_BOTH = VANTEL_IDC_INJECTION_RAIL1_TO_BOTH;
inline constexpr int32_t IDC_INJECTION_TYPE_GROUP = VANTEL_IDC_INJECTION_TYPE_GROUP;
inline constexpr int32_t IDC_INJECTION_SEMI_SEQUENTIAL = VANTEL_IDC_INJECTION_SEMI_SEQUENTIAL;
inline constexpr int32_t IDC_INJECTION_SEQUENTIAL = VANTEL_IDC_INJECTION_SEQUENTIAL;
inline constexpr int32_t IDC_INJECTION_DIRECT = VANTEL_IDC_INJECTION_DIRECT;
inline constexpr int32_t IDC_INJECTION_OUTPUT_GROUP = VANTEL_IDC_INJECTION_OUTPUT_GROUP;
inline constexpr int32_t IDC_PEAK_AND_HOLD_ENABLED = VANTEL_IDC_PEAK_AND_HOLD_ENABLED;
inline constexpr int32_t IDC_PEAK_AND_HOLD_COMMAND = VANTEL_IDC_PEAK_AND_HOLD_COMMAND;
inline constexpr int32_t IDC_PEAK_AND_HOLD_TUNING = VANTEL_IDC_PEAK_AND_HOLD_TUNING;

// Cylinder banks page; the rows follow the firing order, so the row tables are indexed by
// the cylinder's rank in it.
inline constexpr int32_t IDC_BANKS_ANGLES_GROUP = VANTEL_IDC_BANKS_ANGLES_GROUP;
inline constexpr int32_t IDC_BANKS_REGULAR_ANGLES = VANTEL_IDC_BANKS_REGULAR_ANGLES;
inline constexpr int32_t IDC_BANKS_SPECIFIC_ANGLES = VANTEL_IDC_BANKS_SPECIFIC_ANGLES;
inline constexpr size_t kBankRows = VANTEL_BANK_ROWS;
inline constexpr std::array<int32_t, kBankRows> IDC_CYLINDER_LABELS = VANTEL_IDC_CYLINDER_LABELS;
inline constexpr std::array<int32_t, kBankRows> IDC_CYLINDER_ANGLES = VANTEL_IDC_CYLINDER_ANGLES;
inline constexpr std::array<int32_t, kBankRows> IDC_CYLINDER_BANK1 = VANTEL_IDC_CYLINDER_BANK1;
inline constexpr std::array<int32_t, kBankRows> IDC_CYLINDER_BANK2 = VANTEL_IDC_CYLINDER_BANK2;

// Phases page. Each family is indexed by phase: the main phase, then auxiliary phases 1 to 3.
inline constexpr size_t kPhaseCount = VANTEL_PHASE_COUNT;
inline constexpr std::array<int32_t, kPhaseCount> IDC_PHASE_GROUPS = VANTEL_IDC_PHASE_GROUPS;
inline constexpr std::array<int32_t, kPhaseCount> IDC_PHASE_CAMSHAFTS = VANTEL_IDC_PHASE_CAMSHAFTS;
inline constexpr std::array<int32_t, kPhaseCount> IDC_PHASE_CAMSHAFT_LABELS =
    VANTEL_IDC_PHASE_CAMSHAFT_LABELS;
inline constexpr std::array<int32_t, kPhaseCount> IDC_PHASE_MARKS = VANTEL_IDC_PHASE_MARKS;
inline constexpr std::array<int32_t, kPhaseCount> IDC_PHASE_MARKS_LABELS =
    VANTEL_IDC_PHASE_MARKS_LABELS;
inline constexpr std::array<int32_t, kPhaseCount> IDC_PHASE_START_TEETH =
    VANTEL_IDC_PHASE_START_TEETH;
inline constexpr std::array<int32_t, kPhaseCount> IDC_PHASE_START_TOOTH_LABELS =
    VANTEL_IDC_PHASE_START_TOOTH_LABELS;
inline constexpr int32_t IDC_MAIN_PHASE_TYPE = VANTEL_IDC_MAIN_PHASE_TYPE;
inline constexpr int32_t IDC_MAIN_PHASE_TYPE_LABEL = VANTEL_IDC_MAIN_PHASE_TYPE_LABEL;
// The main marks label names what the marks combo counts for the chosen phase type.
inline constexpr int32_t IDC_MAIN_MARKS_LABEL = IDC_PHASE_MARKS_LABELS[0];

// Error report.
inline constexpr int32_t IDC_REPORT_GROUP = VANTEL_IDC_REPORT_GROUP;
inline constexpr int32_t IDC_REPORT_LIST = VANTEL_IDC_REPORT_LIST;

// Map scale selection.
inline constexpr int32_t IDC_MAP_GROUP = VANTEL_IDC_MAP_GROUP;
inline constexpr int32_t IDC_MAP_VERTICAL_LABEL = VANTEL_IDC_MAP_VERTICAL_LABEL;
inline constexpr int32_t IDC_MAP_VERTICAL = VANTEL_IDC_MAP_VERTICAL;
inline constexpr int32_t IDC_MAP_HORIZONTAL_LABEL = VANTEL_IDC_MAP_HORIZONTAL_LABEL;
inline constexpr int32_t IDC_MAP_HORIZONTAL = VANTEL_IDC_MAP_HORIZONTAL;

}  // namespace vantel
