#pragma once
// Ids of the string table, named by meaning.
#include <cstdint>

namespace vantel {

// Host request errors, shown after the machine name.
inline constexpr uint32_t IDS_HOST_UNKNOWN_ERROR = 17000;
inline constexpr uint32_t IDS_HOST_INTERNAL_ERROR = 17001;
inline constexpr uint32_t IDS_HOST_DATA_ERROR = 17002;
inline constexpr uint32_t IDS_HOST_TARGET_ERROR = 17003;
inline constexpr uint32_t IDS_HOST_ACTION_ERROR = 17004;
inline constexpr uint32_t IDS_HOST_ACCESS_ERROR = 17005;
inline constexpr uint32_t IDS_HOST_TRANSFER_ERROR = 17006;

// Messages of the host flows (open, save, actions, sending).
inline constexpr uint32_t IDS_ACTION_ALREADY_RUNNING = 17010;
inline constexpr uint32_t IDS_TRANSMISSION_ERROR = 17012;
inline constexpr uint32_t IDS_ACTION_ABORTED = 17013;
inline constexpr uint32_t IDS_MAJOR_ERROR = 17014;
inline constexpr uint32_t IDS_MAIN_DIALOG_TITLE = 17100;
inline constexpr uint32_t IDS_COMMAND_TABLE_UNKNOWN = 17101;
inline constexpr uint32_t IDS_PAGES_NOT_CREATED = 17102;
inline constexpr uint32_t IDS_DATA_NOT_RECEIVED = 17103;
inline constexpr uint32_t IDS_TABLES_BEING_UPDATED = 17104;

// Tabs of the configuration dialog and the note shown under each page.
inline constexpr uint32_t IDS_TAB_ENGINE = 17200;
inline constexpr uint32_t IDS_NOTE_ENGINE_PAGE = 17201;
inline constexpr uint32_t IDS_TAB_IGNITION = 17300;
inline constexpr uint32_t IDS_NOTE_IGNITION_PAGE = 17301;
inline constexpr uint32_t IDS_TAB_INJECTION = 17400;
inline constexpr uint32_t IDS_NOTE_INJECTION_PAGE = 17401;
inline constexpr uint32_t IDS_TAB_PHASES = 17500;
inline constexpr uint32_t IDS_NOTE_PHASES_PAGE = 17501;
inline constexpr uint32_t IDS_TAB_BANKS = 17520;
inline constexpr uint32_t IDS_NOTE_BANKS_PAGE = 17521;

// Main phase types, by Phases page entry (not by type code: 1 and 2 are swapped).
inline constexpr uint32_t IDS_PHASE_TYPE_NONE = 17210;
inline constexpr uint32_t IDS_PHASE_TYPE_MARKS_POSITION = 17211;
inline constexpr uint32_t IDS_PHASE_TYPE_MARKS_STATE = 17212;
inline constexpr uint32_t IDS_PHASE_TYPE_REGULAR_TEETH = 17213;
inline constexpr uint32_t IDS_PHASE_TYPE_MISSING_TOOTH = 17214;
inline constexpr uint32_t IDS_PHASE_TYPE_EXTRA_TOOTH = 17215;
inline constexpr uint32_t IDS_PHASE_TYPE_DYNAMIC_SYNC = 17216;
inline constexpr uint32_t IDS_PHASE_TYPE_PRESSURE_SENSOR = 17217;

// Camshafts, by 2-bit camshaft code; "no sensor" has no code.
inline constexpr uint32_t IDS_CAMSHAFT_INTAKE_BANK1 = 17220;
inline constexpr uint32_t IDS_CAMSHAFT_EXHAUST_BANK1 = 17221;
inline constexpr uint32_t IDS_CAMSHAFT_INTAKE_BANK2 = 17222;
inline constexpr uint32_t IDS_CAMSHAFT_EXHAUST_BANK2 = 17223;
inline constexpr uint32_t IDS_CAMSHAFT_NONE = 17224;

// Labels and captions built at run time.
inline constexpr uint32_t IDS_IGNITION_DELAY_LABEL = 17600;  // + " ( 0 - max )"
inline constexpr uint32_t IDS_MAP_DIALOG_TITLE = 17800;      // + "1) " or "2) " + machine
inline constexpr uint32_t IDS_REPORT_TITLE = 17900;          // + " " + machine
inline constexpr uint32_t IDS_LABEL_PHASE_MARKS = 18400;
inline constexpr uint32_t IDS_LABEL_SYNC_ROUNDS = 18401;
inline constexpr uint32_t IDS_LABEL_PRESSURE_PULSES = 18402;
inline constexpr uint32_t IDS_NO_DATA = 19000;
inline constexpr uint32_t IDS_START_TOOTH_MARK = 19010;  // "TCDM", then "TCDM+n"

// Input refused by a page.
inline constexpr uint32_t IDS_IGNITION_DELAY_TOO_HIGH = 18010;
inline constexpr uint32_t IDS_IGNITION_DELAY_NOT_A_NUMBER = 18011;  // + maximum
inline constexpr uint32_t IDS_PAGE_ANGLES_DECREASE = 18020;
inline constexpr uint32_t IDS_PAGE_ANGLE_TOO_HIGH = 18021;
inline constexpr uint32_t IDS_PAGE_ANGLE_NOT_AN_ANGLE = 18022;
inline constexpr uint32_t IDS_PAGE_FLYWHEEL_NOT_BUILT = 18030;
inline constexpr uint32_t IDS_SYNC_RPM_OUT_OF_RANGE = 18125;

// Pieces that follow a number in a composed message.
inline constexpr uint32_t IDS_SUFFIX_CYLINDERS = 18102;  // " cylinders"
inline constexpr uint32_t IDS_SUFFIX_TEETH = 18127;      // " teeth"

// Injection rules; those ending in a blank are followed by a number.
inline constexpr uint32_t IDS_DIRECT_INJECTION_UNPHASED = 18100;
inline constexpr uint32_t IDS_INJECTION_CHANNELS_TWO_RAILS = 18101;
inline constexpr uint32_t IDS_INJECTION_CHANNELS_ONE_RAIL = 18103;
inline constexpr uint32_t IDS_SEMI_SEQ_ONE_RAIL_MINIMUM = 18104;
inline constexpr uint32_t IDS_SEMI_SEQ_TWO_RAILS_MINIMUM = 18105;
inline constexpr uint32_t IDS_SEMI_SEQ_TWO_BANKS_TEN_CYLINDERS = 18106;
inline constexpr uint32_t IDS_SEMI_SEQ_TWO_RAILS_REFUSED = 18107;
inline constexpr uint32_t IDS_PEAK_AND_HOLD_REFUSED = 18120;
inline constexpr uint32_t IDS_INJECTION_CONFIG_REFUSED = 18121;

// Ignition rules.
inline constexpr uint32_t IDS_IGNITION_CHANNELS_TOO_FEW = 18108;
inline constexpr uint32_t IDS_IGNITION_PULSES_TOO_FEW = 18109;
inline constexpr uint32_t IDS_TWIN_SPARK_ODD_CYLINDERS = 18110;
inline constexpr uint32_t IDS_IGNITION_CONFIG_REFUSED = 18122;
inline constexpr uint32_t IDS_IGNITION_DELAY_OUT_OF_LIMITS = 18123;
inline constexpr uint32_t IDS_DISTRIBUTED_TEETH_TOO_FEW = 18126;
inline constexpr uint32_t IDS_DISTRIBUTED_UNPHASED_ODD = 18128;

// Cylinder and bank rules.
inline constexpr uint32_t IDS_CYLINDERS_NUMBER_REFUSED = 18111;
inline constexpr uint32_t IDS_CYLINDER_ANGLES_DECREASE = 18112;
inline constexpr uint32_t IDS_CYLINDER_ANGLES_NOT_OPPOSED = 18113;
inline constexpr uint32_t IDS_BANKS_NOT_ALLOWED = 18114;
inline constexpr uint32_t IDS_BANKS_CYLINDERS_NUMBER = 18115;
inline constexpr uint32_t IDS_BANKS_UNEQUAL = 18116;
inline constexpr uint32_t IDS_BANKS_NOT_REGULAR = 18117;
inline constexpr uint32_t IDS_FIRST_CYLINDER_NOT_AT_ZERO = 18124;

// Flywheel rules and table checks.
inline constexpr uint32_t IDS_FLYWHEEL_TEETH_REFUSED = 18118;
inline constexpr uint32_t IDS_FLYWHEEL_TABLES_NOT_OPTIMIZED = 18119;
inline constexpr uint32_t IDS_FLYWHEEL_TABLES_MALFORMED = 18129;
inline constexpr uint32_t IDS_CONFIG_LAYOUT_UNKNOWN = 18130;
inline constexpr uint32_t IDS_FLYWHEEL_TEETH_REFERENCES = 18240;
inline constexpr uint32_t IDS_FLYWHEEL_TYPE_REFERENCES = 18241;
inline constexpr uint32_t IDS_FLYWHEEL_TYPE_SINGULARITY = 18242;

// Rail piloting map scales; each is followed by the rail number and " )".
inline constexpr uint32_t IDS_RAIL_MAP_VERTICAL_MISSING = 18140;
inline constexpr uint32_t IDS_RAIL_MAP_HORIZONTAL_MISSING = 18141;
inline constexpr uint32_t IDS_RAIL_MAP_NO_SCALE = 18142;

// Main phase rules.
inline constexpr uint32_t IDS_MAIN_TEETH_NUMBER_REFUSED = 18200;
inline constexpr uint32_t IDS_MAIN_CAMSHAFT_TOOTH_WRONG = 18201;
inline constexpr uint32_t IDS_MAIN_TYPE_UNKNOWN = 18202;
inline constexpr uint32_t IDS_MAIN_TEETH_FLYWHEEL_MISMATCH = 18203;
inline constexpr uint32_t IDS_MAIN_MARK_NOT_IDENTIFIED = 18204;
inline constexpr uint32_t IDS_MAIN_TYPE_FLYWHEEL_MISMATCH = 18205;
inline constexpr uint32_t IDS_MAIN_CAMSHAFT_UNKNOWN = 18206;
inline constexpr uint32_t IDS_MAIN_TYPE_SEVERAL_REFERENCES = 18207;
inline constexpr uint32_t IDS_MAIN_SYNC_ROUNDS_REFUSED = 18208;
inline constexpr uint32_t IDS_MAIN_PRESSURE_PULSES_REFUSED = 18209;
inline constexpr uint32_t IDS_PRESSURE_SENSOR_MISSING = 18250;

// Auxiliary phase rules: phase i uses 182i0, 182i1, 182i2 (and 182i3 for 2 and 3).
inline constexpr uint32_t IDS_AUX1_TEETH_REFUSED = 18210;
inline constexpr uint32_t IDS_AUX1_CRANK_TOOTH_WRONG = 18211;
inline constexpr uint32_t IDS_AUX1_CAMSHAFT_UNKNOWN = 18212;
inline constexpr uint32_t IDS_AUX2_TEETH_REFUSED = 18220;
inline constexpr uint32_t IDS_AUX2_CRANK_TOOTH_WRONG = 18221;
inline constexpr uint32_t IDS_AUX2_CAMSHAFT_UNKNOWN = 18222;
inline constexpr uint32_t IDS_AUX2_SENSOR_MISSING = 18223;
inline constexpr uint32_t IDS_AUX3_TEETH_REFUSED = 18230;
inline constexpr uint32_t IDS_AUX3_CRANK_TOOTH_WRONG = 18231;
inline constexpr uint32_t IDS_AUX3_CAMSHAFT_UNKNOWN = 18232;
inline constexpr uint32_t IDS_AUX3_SENSOR_MISSING = 18233;
inline constexpr uint32_t IDS_AUX_NEED_MAIN_PHASE = 18300;
inline constexpr uint32_t IDS_CAMSHAFT_SHARED = 18301;

// Help pop-ups (F1 on a control of the configuration dialog).
inline constexpr uint32_t IDS_HELP_IGNITION_TYPE = 20000;
inline constexpr uint32_t IDS_HELP_INJECTION_RAILS = 20001;
inline constexpr uint32_t IDS_HELP_INJECTION_TYPE = 20002;
inline constexpr uint32_t IDS_HELP_PEAK_AND_HOLD = 20003;
inline constexpr uint32_t IDS_HELP_MAIN_PHASE = 20004;
inline constexpr uint32_t IDS_HELP_AUX_PHASES = 20005;
inline constexpr uint32_t IDS_HELP_IGNITION_DELAY = 20006;
inline constexpr uint32_t IDS_HELP_FLYWHEEL = 20007;
inline constexpr uint32_t IDS_HELP_CYLINDERS_NUMBER = 20008;
inline constexpr uint32_t IDS_HELP_SYNC_RPM = 20009;
inline constexpr uint32_t IDS_HELP_CYLINDER_BANK = 20010;
inline constexpr uint32_t IDS_HELP_CYLINDER_ANGLES = 20011;

}  // namespace vantel
