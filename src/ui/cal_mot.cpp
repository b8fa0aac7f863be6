#include "ui/cal_mot.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "config/engine_record.h"
#include "platform/ddx.h"
#include "platform/string_table.h"
#include "res/dialog_ids.h"
#include "res/string_ids.h"

namespace vantel {
namespace {

struct FlywheelRadio {
  int32_t id;
  int kind;
  bool renaultRs;
};

// What each radio stands for; checking them shows the same table read backwards.
constexpr std::array<FlywheelRadio, 5> kFlywheelRadios{{
    {IDC_FLYWHEEL_SAME_TEETH, kRegularTeeth, false},
    {IDC_FLYWHEEL_ONE_MISSING, kOneMissingTooth, false},
    {IDC_FLYWHEEL_TWO_MISSING, kTwoMissingTeeth, false},
    {IDC_FLYWHEEL_ONE_EXTRA, kOneExtraTooth, false},
    {IDC_FLYWHEEL_RS_TYPE, kTwoMissingTeeth, true},
}};

constexpr std::array<int32_t, kFlywheelRadios.size()> RadioIds() {
  std::array<int32_t, kFlywheelRadios.size()> ids{};
  for (size_t i = 0; i < ids.size(); ++i) ids[i] = kFlywheelRadios[i].id;
  return ids;
}
constexpr std::array<int32_t, kFlywheelRadios.size()> kFlywheelRadioIds = RadioIds();

// Main phase types that cannot work on a flywheel whose teeth are all the same.
constexpr std::array<int, 5> kPhasesRefusingSameTeeth = {
    kPhaseNone, kPhaseOnMarksState, kPhaseRegularTeeth, kPhaseDynamicSynchronization,
    kPhasePressureSensor};
// Main phase types that allow only one occurrence of the mark a revolution.
constexpr std::array<int, 6> kPhasesWithOneMark = {kPhaseNone,
                                                   kPhaseRegularTeeth,
                                                   kPhaseOneMissingTooth,
                                                   kPhaseOneSupplementaryTooth,
                                                   kPhaseDynamicSynchronization,
                                                   kPhasePressureSensor};

constexpr int kFewestTeeth = 8;
constexpr int kMostTeeth = 58;
constexpr int kMaxOccurrencesCode = 3;
constexpr int kMaxSyncRpm = 0xFFFF;

template <size_t N>
constexpr bool IsOneOf(int value, const std::array<int, N>& values) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

template <class Value>
int32_t IndexOf(const std::vector<int32_t>& list, Value value) {
  const auto found = std::find(list.begin(), list.end(), static_cast<int32_t>(value));
  return found == list.end() ? -1 : static_cast<int32_t>(found - list.begin());
}

}  // namespace

CSisCalMot::CSisCalMot(DialogTables& model) : CSisCalPage(IDD_ENGINE_PAGE, model) {}

void CSisCalMot::FillPage() {
  ReadModel();
  FillCylinders();
  Refresh();
}

void CSisCalMot::Refresh() {
  SetFlywheelRadios();
  FillMarks();
  FillTeeth();
  SetRpmEdit();
}

bool CSisCalMot::OnMessage(const Message& message, intptr_t& /*result*/) {
  switch (message.kind) {
    case MessageKind::Clicked: {
      const auto radio =
          std::find_if(kFlywheelRadios.begin(), kFlywheelRadios.end(),
                       [&](const FlywheelRadio& r) { return r.id == message.controlId; });
      if (radio == kFlywheelRadios.end()) return false;
      flywheelKind_ = radio->kind;
      renaultRs_ = radio->renaultRs;
      Refresh();
      return true;
    }
    case MessageKind::SelEndOk:
      OnComboChoice(message.controlId);
      return true;
    case MessageKind::CloseUp: {
      // A list left without a choice must not keep showing the entry it was left on.
      int32_t stored = 0;
      switch (message.controlId) {
        case IDC_ENGINE_CYLINDERS:
          stored = cylindersSelection_;
          break;
        case IDC_FLYWHEEL_OCCURRENCES:
          stored = marksSelection_;
          break;
        case IDC_FLYWHEEL_TEETH:
          stored = teethSelection_;
          break;
        default:
          return false;
      }
      SetSelection(message.from, stored);
      return true;
    }
    default:
      return false;
  }
}

void CSisCalMot::OnComboChoice(int32_t comboId) {
  const int32_t index = GetSelection(GetDlgItem(comboId));
  const auto at = static_cast<size_t>(index);
  switch (comboId) {
    case IDC_ENGINE_CYLINDERS:
      if (index < 0 || at >= cylinderList_.size()) return;
      cylindersSelection_ = index;
      cylinders_ = cylinderList_[at];
      break;
    case IDC_FLYWHEEL_OCCURRENCES:
      if (index < 0 || at >= marksList_.size()) return;
      marksSelection_ = index;
      occurrencesCode_ = marksList_[at];
      break;
    case IDC_FLYWHEEL_TEETH:
      if (index < 0 || at >= teethList_.size()) return;
      teethSelection_ = index;
      actualTeeth_ = teethList_[at];
      break;
    default:
      return;
  }
  Refresh();
}

void CSisCalMot::ReadModel() {
  const DialogTables& tables = model_;
  const SyncRecord& sync = tables.sync;
  mainPhaseType_ = sync.mainType;

  cylinderList_.clear();
  const uint16_t allowed = tables.caps.cylinderCounts;
  for (size_t i = 0; i < kCylinderCounts.size(); ++i) {
    if (allowed & (1u << i)) cylinderList_.push_back(kCylinderCounts[i]);
  }

  syncRpm_ = sync.minRpm;

  const Flywheel wheel = sync.flywheel;
  actualTeeth_ = std::clamp(wheel.T, kFewestTeeth, kMostTeeth);
  occurrencesCode_ = wheel.R - 1;
  renaultRs_ = wheel.S == 2;
  flywheelKind_ = wheel.K;
  // A word the page could not have written reads as the most common flywheel.
  if ((wheel.T - wheel.N) % wheel.R != 0 || !IsKnownFlywheelKind(wheel.K)) {
    flywheelKind_ = kTwoMissingTeeth;
    renaultRs_ = false;
    occurrencesCode_ = 0;
  }
  if (flywheelKind_ == kRegularTeeth) {
    occurrencesCode_ = 0;
    if (IsOneOf(mainPhaseType_, kPhasesRefusingSameTeeth)) {
      flywheelKind_ = kTwoMissingTeeth;
      renaultRs_ = false;
    }
  }

  marksList_ = AllowedMarks();
  if (IndexOf(marksList_, occurrencesCode_) < 0) occurrencesCode_ = marksList_.front();
  if (flywheelKind_ != kTwoMissingTeeth || occurrencesCode_ != 0) renaultRs_ = false;

  // With no cylinder count allowed the stored one stays, for the rules to report.
  cylinders_ = tables.engine.cylinders;
  if (!cylinderList_.empty() && IndexOf(cylinderList_, cylinders_) < 0) {
    cylinders_ = cylinderList_.front();
  }
}

std::vector<int32_t> CSisCalMot::AllowedMarks() const {
  std::vector<int32_t> marks{0};
  if (renaultRs_ || flywheelKind_ == kRegularTeeth || IsOneOf(mainPhaseType_, kPhasesWithOneMark)) {
    return marks;
  }
  for (int code = 1; code <= kMaxOccurrencesCode; ++code) marks.push_back(code);
  return marks;
}

void CSisCalMot::FillCylinders() {
  const Hwnd combo = GetDlgItem(IDC_ENGINE_CYLINDERS);
  ShowWindow(combo, false);
  cylindersSelection_ = 0;
  FillCombo(GetSafeHwnd(), IDC_ENGINE_CYLINDERS, cylinderList_, "%.2u");
  const int32_t match = IndexOf(cylinderList_, cylinders_);
  if (match >= 0) cylindersSelection_ = match;
  SetSelection(combo, cylinderList_.empty() ? -1 : cylindersSelection_);
  EnableWindow(combo, !cylinderList_.empty());
  ShowWindow(combo, true);
}

void CSisCalMot::SetFlywheelRadios() {
  const bool sameTeethAllowed =
      !IsOneOf(mainPhaseType_, kPhasesRefusingSameTeeth) && occurrencesCode_ == 0;
  if (!sameTeethAllowed && flywheelKind_ == kRegularTeeth) {
    flywheelKind_ = kTwoMissingTeeth;
    renaultRs_ = false;
  }
  EnableWindow(GetDlgItem(IDC_FLYWHEEL_SAME_TEETH), sameTeethAllowed);

  // The singularity only tells the two kinds of two missing teeth apart.
  const auto checked =
      std::find_if(kFlywheelRadios.begin(), kFlywheelRadios.end(), [&](const FlywheelRadio& r) {
        return r.kind == flywheelKind_ && (r.kind != kTwoMissingTeeth || r.renaultRs == renaultRs_);
      });
  CheckRadio(GetSafeHwnd(), kFlywheelRadioIds, checked == kFlywheelRadios.end() ? 0 : checked->id);
}

void CSisCalMot::FillMarks() {
  const Hwnd combo = GetDlgItem(IDC_FLYWHEEL_OCCURRENCES);
  ShowWindow(combo, false);
  marksSelection_ = 0;
  marksList_ = AllowedMarks();
  std::vector<int32_t> occurrences;
  for (int32_t code : marksList_) occurrences.push_back(code + 1);
  FillCombo(GetSafeHwnd(), IDC_FLYWHEEL_OCCURRENCES, occurrences, "%.2u");
  const int32_t match = IndexOf(marksList_, occurrencesCode_);
  if (match >= 0) marksSelection_ = match;
  occurrencesCode_ = marksList_[static_cast<size_t>(marksSelection_)];
  SetSelection(combo, marksSelection_);
  ShowWindow(combo, true);
}

void CSisCalMot::FillTeeth() {
  const Hwnd combo = GetDlgItem(IDC_FLYWHEEL_TEETH);
  ShowWindow(combo, false);
  teethSelection_ = 0;
  teethList_.clear();
  const int occurrences = occurrencesCode_ + 1;
  // An extra tooth needs two regular teeth before it at every mark.
  const int fewest = flywheelKind_ == kOneExtraTooth ? 3 * occurrences : 0;
  for (int teeth = kFewestTeeth; teeth <= kMostTeeth; ++teeth) {
    if (teeth % occurrences != 0 || teeth < fewest) continue;
    teethList_.push_back(teeth);
  }
  FillCombo(GetSafeHwnd(), IDC_FLYWHEEL_TEETH, teethList_, "%.2u");
  const int32_t match = IndexOf(teethList_, actualTeeth_);
  if (match >= 0) teethSelection_ = match;
  actualTeeth_ = teethList_[static_cast<size_t>(teethSelection_)];
  SetSelection(combo, teethSelection_);
  ShowWindow(combo, true);
}

void CSisCalMot::SetRpmEdit() {
  rpmText_ = std::to_string(syncRpm_);
  const Hwnd edit = GetDlgItem(IDC_SYNC_RPM);
  SetWindowText(edit, rpmText_);
  EnableWindow(edit, true);
}

bool CSisCalMot::SavePage() {
  rpmText_ = GetWindowText(GetDlgItem(IDC_SYNC_RPM));
  const std::optional<int64_t> rpm = GetEditInt(GetSafeHwnd(), IDC_SYNC_RPM);
  if (!rpm || *rpm < 0 || *rpm > kMaxSyncRpm) return Refuse(LoadString(IDS_SYNC_RPM_OUT_OF_RANGE));

  DialogTables edited = model_;
  edited.SetCylinders(static_cast<uint16_t>(cylinders_));
  const uint16_t flywheel =
      EncodeFlywheel(actualTeeth_, occurrencesCode_, flywheelKind_, renaultRs_);
  const auto minRpm = static_cast<uint16_t>(*rpm);
  if (!edited.SetFlywheel(flywheel, minRpm)) {
    // With no cylinder count allowed, the rules report the stored one when OK is pressed;
    // the stored tables stay until a count is allowed.
    if (!cylinderList_.empty()) return Refuse(LoadString(IDS_PAGE_FLYWHEEL_NOT_BUILT));
    edited.StoreFlywheelSettings(flywheel, minRpm);
  }
  syncRpm_ = minRpm;
  model_ = std::move(edited);
  return true;
}

}  // namespace vantel
