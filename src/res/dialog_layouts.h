#pragma once
// The geometry of each dialog template, shared by every language: a language gives only
// the texts (DialogTexts), and Dialogs<texts> lays them out. Header-only, so that a resource
// library needs nothing else.
#include <array>
#include <span>

#include "platform/dialog_template.h"
#include "platform/message_box.h"
#include "res/dialog_ids.h"
#include "res/string_ids.h"

namespace vantel::layout {

inline constexpr uint32_t kReportStyles =
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT | WS_DISABLED;
inline constexpr uint32_t kReportListStyles = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                              LVS_NOCOLUMNHEADER | LVS_NOSORTHEADER |
                                              LVS_ALIGNLEFT | WS_BORDER | WS_TABSTOP;

struct ReportTexts {
  const char* caption;
  const char* close;
  const char* group;
};

constexpr std::array<ControlTemplate, 3> ReportControls(ReportTexts t) {
  return {{
      {IDOK, ControlKind::DefPushButton, t.close, {27, 85, 50, 14}, WS_TABSTOP},
      {IDC_REPORT_GROUP, ControlKind::GroupBox, t.group, {7, 7, 355, 71}, 0},
      {IDC_REPORT_LIST, ControlKind::ListView, "", {14, 18, 341, 53}, kReportListStyles},
  }};
}
// 14 units wider than the classic report, so that the group box's whole sentence fits.
inline constexpr int16_t kReportWidth = 369;
inline constexpr int16_t kReportHeight = 106;

// The pages are child dialogs laid on the main dialog's placeholder, hidden until their tab
// is selected.
inline constexpr uint32_t kPageStyles = WS_CHILD | DS_SETFONT;
inline constexpr int16_t kPageWidth = 305;
inline constexpr int16_t kPageHeight = 302;

// Edit style with its Windows value: the platform's edits scroll anyway, the bit keeps the
// templates as the pages expect them.
inline constexpr uint32_t ES_AUTOHSCROLL = 0x0080;
inline constexpr uint32_t kEditStyles = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
inline constexpr uint32_t kComboStyles = WS_TABSTOP | WS_VSCROLL;
// Automatic radio buttons clear the others up to the next control that starts a group, so
// the control after a radio group starts one as well.
inline constexpr uint32_t kGroupStart = WS_GROUP | WS_TABSTOP;

template <size_t N>
constexpr DialogTemplate PageTemplate(uint32_t id, const std::array<ControlTemplate, N>& controls) {
  return {id, "", kPageWidth, kPageHeight, kPageStyles, controls.data(), N};
}

inline constexpr uint32_t kMainStyles =
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_VSCROLL | DS_SETFONT;

struct MainTexts {
  const char* caption;
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
      {IDC_MAIN_PAGE_PLACE, ControlKind::Static, t.pagePlace, {14, 19, kPageWidth, kPageHeight}, 0},
  }};
}
inline constexpr int16_t kMainWidth = 347;
inline constexpr int16_t kMainHeight = 513;

inline constexpr uint32_t kMapStyles =
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

struct MapTexts {
  const char* caption;
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
      {IDC_MAP_HORIZONTAL, ControlKind::ComboBox, "", {14, 35, 214, 120}, WS_TABSTOP | WS_VSCROLL},
      {IDC_MAP_HORIZONTAL_LABEL, ControlKind::Static, t.horizontal, {230, 35, 122, 12}, 0},
      {IDOK, ControlKind::DefPushButton, t.ok, {30, 65, 50, 14}, WS_TABSTOP},
      {IDCANCEL, ControlKind::PushButton, t.cancel, {107, 65, 50, 14}, WS_TABSTOP},
  }};
}
// The template is as wide as its group box needs: 7 + 353 + 7.
inline constexpr int16_t kMapWidth = 367;
inline constexpr int16_t kMapHeight = 86;

struct EngineTexts {
  const char* engineGroup;
  const char* cylinders;
  const char* flywheelGroup;
  const char* sameTeeth;
  const char* oneExtra;
  const char* oneMissing;
  const char* twoMissing;
  const char* rsType;
  const char* occurrences;
  const char* teeth;
  const char* syncGroup;
  const char* syncRpm;
};

// Each control carries the help topic F1 shows for it: the whole group box of a setting,
// its label and its choices show the same one.
constexpr std::array<ControlTemplate, 16> EngineControls(EngineTexts t) {
  constexpr uint32_t kCylinders = IDS_HELP_CYLINDERS_NUMBER;
  constexpr uint32_t kFlywheel = IDS_HELP_FLYWHEEL;
  constexpr uint32_t kSync = IDS_HELP_SYNC_RPM;
  return {{
      {IDC_ENGINE_GROUP, ControlKind::GroupBox, t.engineGroup, {0, 0, 305, 31}, 0, kCylinders},
      {IDC_ENGINE_CYLINDERS, ControlKind::ComboBox, "", {9, 12, 40, 60}, kComboStyles, kCylinders},
      {IDC_ENGINE_CYLINDERS_LABEL,
       ControlKind::Static,
       t.cylinders,
       {51, 12, 246, 12},
       0,
       kCylinders},
      {IDC_FLYWHEEL_GROUP, ControlKind::GroupBox, t.flywheelGroup, {0, 35, 305, 97}, 0, kFlywheel},
      {IDC_FLYWHEEL_SAME_TEETH,
       ControlKind::RadioButton,
       t.sameTeeth,
       {8, 43, 122, 14},
       kGroupStart,
       kFlywheel},
      {IDC_FLYWHEEL_ONE_EXTRA,
       ControlKind::RadioButton,
       t.oneExtra,
       {8, 55, 122, 14},
       0,
       kFlywheel},
      {IDC_FLYWHEEL_ONE_MISSING,
       ControlKind::RadioButton,
       t.oneMissing,
       {151, 43, 146, 14},
       0,
       kFlywheel},
      {IDC_FLYWHEEL_TWO_MISSING,
       ControlKind::RadioButton,
       t.twoMissing,
       {151, 55, 146, 14},
       0,
       kFlywheel},
      {IDC_FLYWHEEL_RS_TYPE, ControlKind::RadioButton, t.rsType, {8, 67, 122, 14}, 0, kFlywheel},
      {IDC_FLYWHEEL_OCCURRENCES,
       ControlKind::ComboBox,
       "",
       {8, 86, 29, 90},
       kComboStyles | kGroupStart,
       kFlywheel},
      {IDC_FLYWHEEL_OCCURRENCES_LABEL,
       ControlKind::Static,
       t.occurrences,
       {39, 86, 257, 12},
       0,
       kFlywheel},
      {IDC_FLYWHEEL_TEETH, ControlKind::ComboBox, "", {8, 111, 40, 60}, kComboStyles, kFlywheel},
      {IDC_FLYWHEEL_TEETH_LABEL, ControlKind::Static, t.teeth, {50, 111, 247, 12}, 0, kFlywheel},
      {IDC_SYNC_GROUP, ControlKind::GroupBox, t.syncGroup, {0, 137, 305, 32}, 0, kSync},
      {IDC_SYNC_RPM, ControlKind::Edit, "", {8, 149, 41, 12}, kEditStyles, kSync},
      {IDC_SYNC_RPM_LABEL, ControlKind::Static, t.syncRpm, {52, 149, 245, 12}, 0, kSync},
  }};
}

struct IgnitionTexts {
  const char* typeGroup;
  const char* distributed;
  const char* twinSpark;
  const char* staticType;
  const char* delayGroup;
  const char* delay;  // replaced at run time by the label with the ECU's maximum
};

constexpr std::array<ControlTemplate, 7> IgnitionControls(IgnitionTexts t) {
  constexpr uint32_t kType = IDS_HELP_IGNITION_TYPE;
  constexpr uint32_t kDelay = IDS_HELP_IGNITION_DELAY;
  return {{
      {IDC_IGNITION_TYPE_GROUP, ControlKind::GroupBox, t.typeGroup, {0, 0, 305, 60}, 0, kType},
      {IDC_IGNITION_DISTRIBUTED,
       ControlKind::RadioButton,
       t.distributed,
       {8, 11, 290, 10},
       kGroupStart,
       kType},
      {IDC_IGNITION_TWIN_SPARK, ControlKind::RadioButton, t.twinSpark, {8, 26, 290, 10}, 0, kType},
      {IDC_IGNITION_STATIC, ControlKind::RadioButton, t.staticType, {8, 41, 290, 10}, 0, kType},
      {IDC_IGNITION_DELAY_GROUP, ControlKind::GroupBox, t.delayGroup, {0, 64, 305, 34}, 0, kDelay},
      {IDC_IGNITION_DELAY,
       ControlKind::Edit,
       "",
       {8, 77, 41, 12},
       kEditStyles | kGroupStart,
       kDelay},
      {IDC_IGNITION_DELAY_LABEL, ControlKind::Static, t.delay, {52, 77, 245, 12}, 0, kDelay},
  }};
}

struct InjectionTexts {
  const char* railsGroup;
  const char* oneRail;
  const char* rail1ToRail2;
  const char* rail1ToBoth;
  const char* typeGroup;
  const char* semiSequential;
  const char* sequential;
  const char* direct;
  const char* outputGroup;
  const char* peakAndHold;
  const char* specialCommand;
  const char* peakAndHoldTuning;
};

// The six radios form one group on purpose: the page sets the checks of both rows itself.
constexpr std::array<ControlTemplate, 12> InjectionControls(InjectionTexts t) {
  constexpr uint32_t kRails = IDS_HELP_INJECTION_RAILS;
  constexpr uint32_t kType = IDS_HELP_INJECTION_TYPE;
  constexpr uint32_t kPeakAndHold = IDS_HELP_PEAK_AND_HOLD;
  return {{
      {IDC_INJECTION_RAILS_GROUP, ControlKind::GroupBox, t.railsGroup, {0, 0, 305, 51}, 0, kRails},
      {IDC_INJECTION_ONE_RAIL, ControlKind::RadioButton, t.oneRail, {8, 10, 290, 10}, 0, kRails},
      {IDC_INJECTION_RAIL1_TO_RAIL2,
       ControlKind::RadioButton,
       t.rail1ToRail2,
       {8, 23, 290, 10},
       0,
       kRails},
      {IDC_INJECTION_RAIL1_TO_BOTH,
       ControlKind::RadioButton,
       t.rail1ToBoth,
       {8, 36, 290, 10},
       0,
       kRails},
      {IDC_INJECTION_TYPE_GROUP, ControlKind::GroupBox, t.typeGroup, {0, 52, 305, 51}, 0, kType},
      {IDC_INJECTION_SEMI_SEQUENTIAL,
       ControlKind::RadioButton,
       t.semiSequential,
       {8, 62, 290, 10},
       0,
       kType},
      {IDC_INJECTION_SEQUENTIAL,
       ControlKind::RadioButton,
       t.sequential,
       {8, 75, 290, 10},
       0,
       kType},
      {IDC_INJECTION_DIRECT, ControlKind::RadioButton, t.direct, {8, 88, 290, 10}, 0, kType},
      {IDC_INJECTION_OUTPUT_GROUP,
       ControlKind::GroupBox,
       t.outputGroup,
       {0, 104, 305, 52},
       0,
       kPeakAndHold},
      {IDC_PEAK_AND_HOLD_ENABLED,
       ControlKind::CheckBox,
       t.peakAndHold,
       {8, 118, 290, 10},
       kGroupStart,
       kPeakAndHold},
      {IDC_PEAK_AND_HOLD_COMMAND,
       ControlKind::PushButton,
       t.specialCommand,
       {8, 133, 80, 14},
       WS_TABSTOP,
       kPeakAndHold},
      {IDC_PEAK_AND_HOLD_TUNING,
       ControlKind::Static,
       t.peakAndHoldTuning,
       {93, 134, 205, 12},
       0,
       kPeakAndHold},
  }};
}

struct BanksTexts {
  const char* group;
  const char* regular;
  const char* specific;
  std::array<const char*, kBankRows> rows;  // by rank in the firing order
  const char* bank1;
  const char* bank2;
};

inline constexpr size_t kBanksControlCount = 3 + 4 * kBankRows;

// One row per cylinder in firing order: label, angle, then its own pair of bank radios. A
// row's label names the cylinder only, so it has no help of its own.
constexpr std::array<ControlTemplate, kBanksControlCount> BanksControls(BanksTexts t) {
  constexpr uint32_t kAngles = IDS_HELP_CYLINDER_ANGLES;
  constexpr uint32_t kBank = IDS_HELP_CYLINDER_BANK;
  std::array<ControlTemplate, kBanksControlCount> c{};
  c[0] = {IDC_BANKS_ANGLES_GROUP, ControlKind::GroupBox, t.group, {0, 0, 305, 27}, 0, kAngles};
  c[1] = {IDC_BANKS_REGULAR_ANGLES,
          ControlKind::RadioButton,
          t.regular,
          {8, 9, 138, 14},
          kGroupStart,
          kAngles};
  c[2] = {IDC_BANKS_SPECIFIC_ANGLES,
          ControlKind::RadioButton,
          t.specific,
          {157, 9, 85, 14},
          0,
          kAngles};
  for (size_t k = 0; k < kBankRows; ++k) {
    const auto y = static_cast<int16_t>(32 + 15 * k);
    ControlTemplate* row = &c[3 + 4 * k];
    row[0] = {IDC_CYLINDER_LABELS[k], ControlKind::Static, t.rows[k], {3, y, 150, 12}, 0, 0};
    row[1] = {IDC_CYLINDER_ANGLES[k], ControlKind::Edit,         "",
              {156, y, 41, 12},       kEditStyles | kGroupStart, kAngles};
    row[2] = {IDC_CYLINDER_BANK1[k],
              ControlKind::RadioButton,
              t.bank1,
              {207, y, 42, 12},
              kGroupStart,
              kBank};
    row[3] = {IDC_CYLINDER_BANK2[k], ControlKind::RadioButton, t.bank2, {257, y, 42, 12}, 0, kBank};
  }
  return c;
}

struct PhasesTexts {
  const char* mainGroup;
  std::array<const char*, kPhaseCount - 1> auxiliaryGroups;
  // The labels of the auxiliary phases read as those of the main phase.
  const char* camshaft;
  const char* type;
  const char* marks;
  const char* startTooth;
};

inline constexpr size_t kPhasesControlCount = 2 + 7 * kPhaseCount;

// The main phase has a help topic of its own, the auxiliary phases share one.
constexpr std::array<ControlTemplate, kPhasesControlCount> PhasesControls(PhasesTexts t) {
  constexpr uint32_t kMain = IDS_HELP_MAIN_PHASE;
  constexpr uint32_t kAuxiliary = IDS_HELP_AUX_PHASES;
  std::array<ControlTemplate, kPhasesControlCount> c{{
      {IDC_PHASE_GROUPS[0], ControlKind::GroupBox, t.mainGroup, {0, 0, 305, 85}, 0, kMain},
      {IDC_PHASE_CAMSHAFTS[0], ControlKind::ComboBox, "", {8, 12, 150, 60}, kComboStyles, kMain},
      {IDC_PHASE_CAMSHAFT_LABELS[0], ControlKind::Static, t.camshaft, {161, 12, 136, 12}, 0, kMain},
      {IDC_MAIN_PHASE_TYPE, ControlKind::ComboBox, "", {8, 32, 150, 60}, kComboStyles, kMain},
      {IDC_MAIN_PHASE_TYPE_LABEL, ControlKind::Static, t.type, {161, 32, 136, 12}, 0, kMain},
      {IDC_PHASE_MARKS[0], ControlKind::ComboBox, "", {8, 49, 56, 59}, kComboStyles, kMain},
      {IDC_PHASE_MARKS_LABELS[0], ControlKind::Static, t.marks, {66, 49, 231, 12}, 0, kMain},
      {IDC_PHASE_START_TEETH[0], ControlKind::ComboBox, "", {8, 66, 56, 60}, kComboStyles, kMain},
      {IDC_PHASE_START_TOOTH_LABELS[0],
       ControlKind::Static,
       t.startTooth,
       {66, 66, 231, 12},
       0,
       kMain},
  }};
  // Each auxiliary phase is a block of three rows, 72 units below the one before.
  for (size_t phase = 1; phase < kPhaseCount; ++phase) {
    const auto top = static_cast<int16_t>(88 + 72 * (phase - 1));
    const auto camshaftY = static_cast<int16_t>(top + 12);
    const auto marksY = static_cast<int16_t>(top + 30);
    const auto startY = static_cast<int16_t>(top + 48);
    ControlTemplate* block = &c[9 + 7 * (phase - 1)];
    block[0] = {IDC_PHASE_GROUPS[phase],
                ControlKind::GroupBox,
                t.auxiliaryGroups[phase - 1],
                {0, top, 305, 68},
                0,
                kAuxiliary};
    block[1] = {IDC_PHASE_CAMSHAFTS[phase], ControlKind::ComboBox, "",
                {8, camshaftY, 150, 60},    kComboStyles,          kAuxiliary};
    block[2] = {IDC_PHASE_CAMSHAFT_LABELS[phase],
                ControlKind::Static,
                t.camshaft,
                {161, camshaftY, 136, 12},
                0,
                kAuxiliary};
    block[3] = {IDC_PHASE_MARKS[phase], ControlKind::ComboBox, "",
                {8, marksY, 56, 60},    kComboStyles,          kAuxiliary};
    block[4] = {IDC_PHASE_MARKS_LABELS[phase],
                ControlKind::Static,
                t.marks,
                {66, marksY, 231, 12},
                0,
                kAuxiliary};
    block[5] = {IDC_PHASE_START_TEETH[phase], ControlKind::ComboBox, "",
                {8, startY, 56, 60},          kComboStyles,          kAuxiliary};
    block[6] = {IDC_PHASE_START_TOOTH_LABELS[phase],
                ControlKind::Static,
                t.startTooth,
                {66, startY, 231, 12},
                0,
                kAuxiliary};
  }
  return c;
}

// Every text of one language's dialogs.
struct DialogTexts {
  MainTexts main;
  ReportTexts report;
  MapTexts map;
  EngineTexts engine;
  IgnitionTexts ignition;
  InjectionTexts injection;
  BanksTexts banks;
  PhasesTexts phases;
};

inline constexpr size_t kDialogCount = 8;

constexpr std::array<const DialogTemplate*, kDialogCount> Pointers(
    const std::array<DialogTemplate, kDialogCount>& templates) {
  std::array<const DialogTemplate*, kDialogCount> list{};
  for (size_t i = 0; i < kDialogCount; ++i) list[i] = &templates[i];
  return list;
}

// The templates of one language, laid out at compile time around its texts; `Texts` is a
// constant of the language's resource library.
template <const DialogTexts& Texts>
class Dialogs {
  static constexpr auto kMainControls = MainControls(Texts.main);
  static constexpr auto kReportControls = ReportControls(Texts.report);
  static constexpr auto kMapControls = MapControls(Texts.map);
  static constexpr auto kEngineControls = EngineControls(Texts.engine);
  static constexpr auto kIgnitionControls = IgnitionControls(Texts.ignition);
  static constexpr auto kInjectionControls = InjectionControls(Texts.injection);
  static constexpr auto kBanksControls = BanksControls(Texts.banks);
  static constexpr auto kPhasesControls = PhasesControls(Texts.phases);

  static constexpr std::array<DialogTemplate, kDialogCount> kTemplates{{
      {IDD_MAIN_CONFIGURATION, Texts.main.caption, kMainWidth, kMainHeight, kMainStyles,
       kMainControls.data(), kMainControls.size()},
      {IDD_REPORT, Texts.report.caption, kReportWidth, kReportHeight, kReportStyles,
       kReportControls.data(), kReportControls.size()},
      {IDD_MAP_SCALE, Texts.map.caption, kMapWidth, kMapHeight, kMapStyles, kMapControls.data(),
       kMapControls.size()},
      PageTemplate(IDD_ENGINE_PAGE, kEngineControls),
      PageTemplate(IDD_IGNITION_PAGE, kIgnitionControls),
      PageTemplate(IDD_INJECTION_PAGE, kInjectionControls),
      PageTemplate(IDD_BANKS_PAGE, kBanksControls),
      PageTemplate(IDD_PHASES_PAGE, kPhasesControls),
  }};

  static constexpr auto kList = Pointers(kTemplates);

 public:
  /// What a ResourceModule points to.
  static constexpr std::span<const DialogTemplate* const> kTemplateList{kList};
};

}  // namespace vantel::layout
