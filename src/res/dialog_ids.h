#pragma once
// Ids of the dialog templates and of their controls.
#include <array>
#include <cstddef>
#include <cstdint>

namespace vantel {

inline constexpr uint32_t IDD_MAIN_CONFIGURATION = 1008;
inline constexpr uint32_t IDD_ENGINE_PAGE = 1010;
inline constexpr uint32_t IDD_IGNITION_PAGE = 1011;
inline constexpr uint32_t IDD_INJECTION_PAGE = 1012;
inline constexpr uint32_t IDD_REPORT = 1013;
inline constexpr uint32_t IDD_MAP_SCALE = 1015;
inline constexpr uint32_t IDD_PHASES_PAGE = 1016;
inline constexpr uint32_t IDD_BANKS_PAGE = 1017;

// Main configuration dialog.
inline constexpr int32_t IDC_MAIN_TABS = 1065;
inline constexpr int32_t IDC_MAIN_NOTE_GROUP = 1061;
inline constexpr int32_t IDC_MAIN_NOTE_TEXT = 1062;
inline constexpr int32_t IDC_MAIN_PAGE_PLACE = 1096;

// Engine page.
inline constexpr int32_t IDC_ENGINE_GROUP = 1188;
inline constexpr int32_t IDC_ENGINE_CYLINDERS = 1163;
inline constexpr int32_t IDC_ENGINE_CYLINDERS_LABEL = 1064;
inline constexpr int32_t IDC_FLYWHEEL_GROUP = 1050;
inline constexpr int32_t IDC_FLYWHEEL_SAME_TEETH = 1051;
inline constexpr int32_t IDC_FLYWHEEL_ONE_MISSING = 1052;
inline constexpr int32_t IDC_FLYWHEEL_TWO_MISSING = 1053;
inline constexpr int32_t IDC_FLYWHEEL_ONE_EXTRA = 1054;
inline constexpr int32_t IDC_FLYWHEEL_RS_TYPE = 1056;  // the alternative singularity
inline constexpr int32_t IDC_FLYWHEEL_OCCURRENCES = 1058;
inline constexpr int32_t IDC_FLYWHEEL_OCCURRENCES_LABEL = 1057;
inline constexpr int32_t IDC_FLYWHEEL_TEETH = 1060;
inline constexpr int32_t IDC_FLYWHEEL_TEETH_LABEL = 1059;
inline constexpr int32_t IDC_SYNC_GROUP = 1186;
inline constexpr int32_t IDC_SYNC_RPM = 1190;
inline constexpr int32_t IDC_SYNC_RPM_LABEL = 1189;

// Ignition page.
inline constexpr int32_t IDC_IGNITION_TYPE_GROUP = 1107;
inline constexpr int32_t IDC_IGNITION_DISTRIBUTED = 1108;
inline constexpr int32_t IDC_IGNITION_TWIN_SPARK = 1109;
inline constexpr int32_t IDC_IGNITION_STATIC = 1110;
inline constexpr int32_t IDC_IGNITION_DELAY_GROUP = 1113;
inline constexpr int32_t IDC_IGNITION_DELAY = 1115;
inline constexpr int32_t IDC_IGNITION_DELAY_LABEL = 1114;

// Injection page.
inline constexpr int32_t IDC_INJECTION_RAILS_GROUP = 1101;
inline constexpr int32_t IDC_INJECTION_ONE_RAIL = 1102;
inline constexpr int32_t IDC_INJECTION_RAIL1_TO_RAIL2 = 1103;
inline constexpr int32_t IDC_INJECTION_RAIL1_TO_BOTH = 1104;
inline constexpr int32_t IDC_INJECTION_TYPE_GROUP = 1097;
inline constexpr int32_t IDC_INJECTION_SEMI_SEQUENTIAL = 1098;
inline constexpr int32_t IDC_INJECTION_SEQUENTIAL = 1099;
inline constexpr int32_t IDC_INJECTION_DIRECT = 1100;
inline constexpr int32_t IDC_INJECTION_OUTPUT_GROUP = 1105;
inline constexpr int32_t IDC_PEAK_AND_HOLD_ENABLED = 1106;
inline constexpr int32_t IDC_PEAK_AND_HOLD_COMMAND = 1117;
inline constexpr int32_t IDC_PEAK_AND_HOLD_TUNING = 1116;

// Cylinder banks page; the rows follow the firing order, so the row tables are indexed by
// the cylinder's rank in it.
inline constexpr int32_t IDC_BANKS_ANGLES_GROUP = 1187;
inline constexpr int32_t IDC_BANKS_REGULAR_ANGLES = 1055;
inline constexpr int32_t IDC_BANKS_SPECIFIC_ANGLES = 1063;
inline constexpr size_t kBankRows = 12;
inline constexpr std::array<int32_t, kBankRows> IDC_CYLINDER_LABELS = {
    1151, 1153, 1155, 1157, 1159, 1161, 1164, 1166, 1168, 1170, 1172, 1174};
inline constexpr std::array<int32_t, kBankRows> IDC_CYLINDER_ANGLES = {
    1152, 1154, 1156, 1158, 1160, 1162, 1165, 1167, 1169, 1171, 1173, 1175};
inline constexpr std::array<int32_t, kBankRows> IDC_CYLINDER_BANK1 = {
    1127, 1128, 1129, 1130, 1131, 1132, 1133, 1134, 1135, 1136, 1137, 1138};
inline constexpr std::array<int32_t, kBankRows> IDC_CYLINDER_BANK2 = {
    1139, 1140, 1141, 1142, 1143, 1144, 1145, 1146, 1147, 1148, 1149, 1150};

// Phases page. Each family is indexed by phase: the main phase, then auxiliary phases 1 to 3.
inline constexpr size_t kPhaseCount = 4;
inline constexpr std::array<int32_t, kPhaseCount> IDC_PHASE_GROUPS = {1088, 1089, 1090, 1091};
inline constexpr std::array<int32_t, kPhaseCount> IDC_PHASE_CAMSHAFTS = {1080, 1081, 1082, 1083};
inline constexpr std::array<int32_t, kPhaseCount> IDC_PHASE_CAMSHAFT_LABELS = {1092, 1093, 1094,
                                                                               1095};
inline constexpr std::array<int32_t, kPhaseCount> IDC_PHASE_MARKS = {1068, 1069, 1070, 1071};
inline constexpr std::array<int32_t, kPhaseCount> IDC_PHASE_MARKS_LABELS = {1076, 1077, 1078, 1079};
inline constexpr std::array<int32_t, kPhaseCount> IDC_PHASE_START_TEETH = {1072, 1073, 1074, 1075};
inline constexpr std::array<int32_t, kPhaseCount> IDC_PHASE_START_TOOTH_LABELS = {1084, 1085, 1086,
                                                                                  1087};
inline constexpr int32_t IDC_MAIN_PHASE_TYPE = 1067;
inline constexpr int32_t IDC_MAIN_PHASE_TYPE_LABEL = 1066;
// The main marks label names what the marks combo counts for the chosen phase type.
inline constexpr int32_t IDC_MAIN_MARKS_LABEL = IDC_PHASE_MARKS_LABELS[0];

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
