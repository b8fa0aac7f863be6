#include "ui/cal_pha.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "config/engine_record.h"
#include "platform/string_table.h"
#include "res/string_ids.h"

namespace vantel {
namespace {

constexpr int kNoCamshaft = -1;
constexpr size_t kMainPhase = 0;
constexpr int kPhaseTypeCount = 8;
constexpr int kCamshaftCount = 4;

struct MainTypeRow {
  uint32_t text;
  int firstMarks;
  int lastMarks;  // types 4 and 5: at most, the flywheel may allow fewer
  int marksStep;
  uint32_t marksLabel;  // what the marks count stands for
  bool marksChosen;     // the user picks the marks count
  bool startChosen;     // the user picks the start tooth
};

// By main phase type. A phase without camshaft (0, 6, 7) starts at the flywheel mark; the
// pressure sensor always counts one pulse.
constexpr std::array<MainTypeRow, kPhaseTypeCount> kMainTypes{{
    {IDS_PHASE_TYPE_NONE, 0, 0, 1, IDS_LABEL_PHASE_MARKS, false, false},
    {IDS_PHASE_TYPE_MARKS_STATE, 1, kMaxPhaseMarks, 1, IDS_LABEL_PHASE_MARKS, true, true},
    {IDS_PHASE_TYPE_MARKS_POSITION, 1, kMaxPhaseMarks, 1, IDS_LABEL_PHASE_MARKS, true, true},
    {IDS_PHASE_TYPE_REGULAR_TEETH, 2, kMaxPhaseMarks, 1, IDS_LABEL_PHASE_MARKS, true, true},
    {IDS_PHASE_TYPE_MISSING_TOOTH, kFewestToothTargetMarks, kMaxPhaseMarks, 1,
     IDS_LABEL_PHASE_MARKS, true, true},
    {IDS_PHASE_TYPE_EXTRA_TOOTH, kFewestToothTargetMarks, kMaxPhaseMarks, 1, IDS_LABEL_PHASE_MARKS,
     true, true},
    {IDS_PHASE_TYPE_DYNAMIC_SYNC, 2, kMaxSyncRounds, 2, IDS_LABEL_SYNC_ROUNDS, true, false},
    {IDS_PHASE_TYPE_PRESSURE_SENSOR, 1, 1, 1, IDS_LABEL_PRESSURE_PULSES, false, false},
}};

constexpr std::array<uint32_t, kCamshaftCount> kCamshaftTexts = {
    IDS_CAMSHAFT_INTAKE_BANK1, IDS_CAMSHAFT_EXHAUST_BANK1, IDS_CAMSHAFT_INTAKE_BANK2,
    IDS_CAMSHAFT_EXHAUST_BANK2};

// The types a main phase without camshaft can have, after "no phase".
constexpr std::array<int, 2> kTypesWithoutCamshaft = {kPhaseDynamicSynchronization,
                                                      kPhasePressureSensor};

// Bits of SyncTable word 11: the main type, then the 2-bit camshaft of each phase.
// The camshaft of phase `phase` (0 main, 1 to 3 auxiliary) in the record.
int& CamshaftOf(SyncRecord& record, size_t phase) {
  return phase == 0 ? record.mainCamshaft : record.auxCamshaft[phase - 1];
}
PhaseSetting& SettingOf(SyncRecord& record, size_t phase) {
  return phase == 0 ? record.main : record.aux[phase - 1];
}

bool Contains(const std::vector<int32_t>& list, int value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

std::string TwoDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%.2u", static_cast<unsigned>(value));
  return text;
}

}  // namespace

CSisCalPha::CSisCalPha(DialogTables& model) : CSisCalPage(IDD_PHASES_PAGE, model) {}

void CSisCalPha::FillPage() {
  ReadModel();
  EnableAll();
  BuildCombos();
  // What the page cannot show (a camshaft without sensor, a camshaft serving two phases, a
  // count out of range) is no setting: the model holds the phases as shown from the start,
  // whichever pages the user visits.
  StorePhases();
}

bool CSisCalPha::OnMessage(const Message& message, intptr_t& /*result*/) {
  const ComboSlot slot = SlotOf(message.controlId);
  if (!slot.combo) return false;
  switch (message.kind) {
    case MessageKind::SelEndOk: {
      const int32_t index = GetSelection(message.from);
      if (index < 0 || static_cast<size_t>(index) >= slot.combo->values.size()) return true;
      slot.combo->selection = index;
      *slot.value = slot.combo->values[static_cast<size_t>(index)];
      if (slot.rebuildsAll) BuildCombos();
      return true;
    }
    case MessageKind::CloseUp:
      // A list left without a choice must not keep showing the entry it was left on.
      SetSelection(message.from, slot.combo->selection);
      return true;
    default:
      return false;
  }
}

CSisCalPha::ComboSlot CSisCalPha::SlotOf(int32_t id) {
  if (id == IDC_MAIN_PHASE_TYPE) return {&typeCombo_, &mainType_, true};
  for (size_t p = 0; p < kPhaseCount; ++p) {
    if (id == IDC_PHASE_CAMSHAFTS[p]) return {&camshaftCombos_[p], &phases_[p].camshaft, true};
    if (id == IDC_PHASE_MARKS[p]) return {&marksCombos_[p], &phases_[p].marks, false};
    if (id == IDC_PHASE_START_TEETH[p]) return {&startCombos_[p], &phases_[p].startTooth, false};
  }
  return {};
}

void CSisCalPha::ReadModel() {
  const DialogTables& tables = model_;
  const uint16_t allowedTypes = tables.caps.mainPhaseTypes;
  const uint16_t sensedCamshafts = tables.caps.sensedCamshafts;
  typeList_.clear();
  for (int type = 1; type < kPhaseTypeCount; ++type) {
    if ((allowedTypes >> (type - 1)) & 1) typeList_.push_back(type);
  }
  camshaftList_.clear();
  for (int camshaft = 0; camshaft < kCamshaftCount; ++camshaft) {
    if ((sensedCamshafts >> camshaft) & 1) camshaftList_.push_back(camshaft);
  }

  SyncRecord sync = tables.sync;
  mainType_ = sync.mainType;
  if (!Contains(typeList_, mainType_)) mainType_ = kPhaseNone;
  for (size_t p = 0; p < kPhaseCount; ++p) {
    const int camshaft = CamshaftOf(sync, p);
    phases_[p] = {Contains(camshaftList_, camshaft) ? camshaft : kNoCamshaft, 0, 0};
  }

  Phase& main = phases_[kMainPhase];
  const bool withoutCamshaft =
      mainType_ == kPhaseDynamicSynchronization || mainType_ == kPhasePressureSensor;
  if (withoutCamshaft || mainType_ == kPhaseNone || main.camshaft == kNoCamshaft) {
    // Only a main phase that needs no camshaft keeps its count; nothing else is measured.
    for (Phase& phase : phases_) phase.camshaft = kNoCamshaft;
    main.marks = withoutCamshaft ? sync.main.teeth : 0;
  } else {
    main.marks = sync.main.teeth;
    main.startTooth = sync.main.crankTooth;
    const std::array<bool, kPhaseCount> sensed = {true, true,
                                                  model_.sensors.auxPhase2SensorAvailable,
                                                  model_.sensors.auxPhase3SensorAvailable};
    for (size_t p = 1; p < kPhaseCount; ++p) {
      if (sensed[p]) phases_[p].marks = SettingOf(sync, p).teeth;
    }
    // A camshaft serves one phase: the lower auxiliary phase keeps a shared one.
    for (size_t p = kPhaseCount - 1; p >= 1; --p) {
      Phase& aux = phases_[p];
      if (aux.marks == 0) continue;
      bool shared = aux.camshaft == main.camshaft;
      for (size_t other = 1; other < kPhaseCount; ++other) {
        shared = shared || (other != p && phases_[other].marks != 0 &&
                            phases_[other].camshaft == aux.camshaft);
      }
      if (shared) {
        aux.marks = 0;
        continue;
      }
      aux.startTooth = SettingOf(sync, p).crankTooth;
    }
    for (size_t p = 1; p < kPhaseCount; ++p) {
      if (phases_[p].marks == 0) phases_[p] = {kNoCamshaft, 0, 0};
    }
  }

  for (auto* family : {&camshaftCombos_, &marksCombos_, &startCombos_}) family->fill(Combo{});
  typeCombo_ = Combo{};
  previousMainType_ = mainType_;
}

void CSisCalPha::EnableAll() {
  const bool enable = !typeList_.empty() && !camshaftList_.empty();
  for (const auto* family :
       {&IDC_PHASE_CAMSHAFTS, &IDC_PHASE_CAMSHAFT_LABELS, &IDC_PHASE_MARKS, &IDC_PHASE_MARKS_LABELS,
        &IDC_PHASE_START_TEETH, &IDC_PHASE_START_TOOTH_LABELS}) {
    for (int32_t id : *family) EnableWindow(GetDlgItem(id), enable);
  }
  EnableWindow(GetDlgItem(IDC_MAIN_PHASE_TYPE), enable);
  EnableWindow(GetDlgItem(IDC_MAIN_PHASE_TYPE_LABEL), enable);
}

void CSisCalPha::BuildCombos() {
  for (size_t p = 0; p < kPhaseCount; ++p) {
    BuildCamshaft(p);
    if (p == kMainPhase) BuildMainType();
    BuildMarks(p);
    BuildStartTooth(p);
  }
}

std::optional<int32_t> CSisCalPha::Refill(int32_t id, Combo& combo, std::vector<int32_t> values,
                                          const std::vector<std::string>& texts, int wanted) {
  const Hwnd control = GetDlgItem(id);
  ShowWindow(control, false);
  ResetItems(control);
  for (size_t i = 0; i < values.size(); ++i) AddItem(control, texts[i], values[i]);
  combo.values = std::move(values);
  const auto found = std::find(combo.values.begin(), combo.values.end(), wanted);
  combo.selection = combo.values.empty() ? -1 : 0;
  if (found != combo.values.end()) {
    combo.selection = static_cast<int32_t>(found - combo.values.begin());
  }
  SetSelection(control, combo.selection);
  ShowWindow(control, true);
  if (combo.selection < 0) return std::nullopt;
  return combo.values[static_cast<size_t>(combo.selection)];
}

void CSisCalPha::BuildCamshaft(size_t phase) {
  const int mainCamshaft = phases_[kMainPhase].camshaft;
  if (phase != kMainPhase && mainCamshaft == kNoCamshaft) phases_[phase].camshaft = kNoCamshaft;

  std::vector<int32_t> values{kNoCamshaft};
  std::vector<std::string> texts{LoadString(IDS_CAMSHAFT_NONE)};
  for (int32_t camshaft : camshaftList_) {
    const bool taken = std::any_of(phases_.begin(), phases_.end(), [&](const Phase& other) {
      return &other != &phases_[phase] && other.camshaft == camshaft;
    });
    if (taken) continue;
    values.push_back(camshaft);
    texts.push_back(LoadString(kCamshaftTexts[static_cast<size_t>(camshaft)]));
  }
  // The phase keeps its camshaft: the list only shows what it may become.
  Refill(IDC_PHASE_CAMSHAFTS[phase], camshaftCombos_[phase], std::move(values), texts,
         phases_[phase].camshaft);
  if (phase == kMainPhase) return;
  EnableWindow(GetDlgItem(IDC_PHASE_CAMSHAFTS[phase]), mainCamshaft != kNoCamshaft);
}

void CSisCalPha::BuildMainType() {
  const bool withCamshaft = phases_[kMainPhase].camshaft != kNoCamshaft;
  std::vector<int32_t> values;
  if (withCamshaft) {
    for (int32_t type : typeList_) {
      if (type <= kPhaseOneSupplementaryTooth) values.push_back(type);
    }
  } else {
    values.push_back(kPhaseNone);
    for (int type : kTypesWithoutCamshaft) {
      if (Contains(typeList_, type)) values.push_back(type);
    }
  }
  std::vector<std::string> texts;
  for (int32_t type : values) {
    texts.push_back(LoadString(kMainTypes[static_cast<size_t>(type)].text));
  }

  const size_t count = values.size();
  const std::optional<int32_t> chosen =
      Refill(IDC_MAIN_PHASE_TYPE, typeCombo_, std::move(values), texts, mainType_);
  // A camshaft with none of its types allowed leaves the type as it was, for the rules.
  if (!chosen) return;
  mainType_ = *chosen;
  EnableWindow(GetDlgItem(IDC_MAIN_PHASE_TYPE), withCamshaft || count > 1);
}

void CSisCalPha::BuildMarks(size_t phase) {
  Phase& current = phases_[phase];
  Combo& combo = marksCombos_[phase];
  const bool main = phase == kMainPhase;
  const MainTypeRow& row = kMainTypes[static_cast<size_t>(mainType_)];
  int first = 0, last = 0, step = 1;
  if (main) {
    first = row.firstMarks;
    last = row.lastMarks;
    step = row.marksStep;
    if (mainType_ == kPhaseOneMissingTooth || mainType_ == kPhaseOneSupplementaryTooth) {
      last = MaxToothTargetMarks(mainType_, Wheel());
    }
  } else if (current.camshaft != kNoCamshaft) {
    first = 1;
    last = kMaxPhaseMarks;
  }

  const std::pair<int, int> range{first, last};
  if (combo.builtRange != range || (main && mainType_ != previousMainType_)) {
    std::vector<int32_t> values;
    std::vector<std::string> texts;
    for (int n = first; n <= last; n += step) {
      values.push_back(n);
      texts.push_back(TwoDigits(n));
    }
    // A flywheel with too few teeth for the type leaves no count to take: 0, which the
    // rules report, rather than a count the camshaft cannot have.
    current.marks =
        Refill(IDC_PHASE_MARKS[phase], combo, std::move(values), texts, current.marks).value_or(0);
    combo.builtRange = range;
    if (main) {
      SetWindowText(GetDlgItem(IDC_MAIN_MARKS_LABEL), LoadString(row.marksLabel));
      previousMainType_ = mainType_;
    }
  }
  const bool chosen = main ? row.marksChosen : current.camshaft != kNoCamshaft;
  EnableWindow(GetDlgItem(IDC_PHASE_MARKS[phase]), chosen && !combo.values.empty());
}

void CSisCalPha::BuildStartTooth(size_t phase) {
  Phase& current = phases_[phase];
  Combo& combo = startCombos_[phase];
  const bool main = phase == kMainPhase;
  int last = 0;
  if (main) {
    last = LastMainStartTooth(mainType_, Wheel());
  } else if (current.camshaft != kNoCamshaft) {
    last = LastCycleTooth(Wheel());
  }

  const std::pair<int, int> range{0, last};
  if (combo.builtRange != range) {
    const std::string mark = LoadString(IDS_START_TOOTH_MARK);
    std::vector<int32_t> values;
    std::vector<std::string> texts;
    for (int n = 0; n <= last; ++n) {
      values.push_back(n);
      texts.push_back(n == 0 ? mark : mark + "+" + std::to_string(n));
    }
    current.startTooth =
        Refill(IDC_PHASE_START_TEETH[phase], combo, std::move(values), texts, current.startTooth)
            .value_or(0);
    combo.builtRange = range;
  }
  const bool chosen = main ? kMainTypes[static_cast<size_t>(mainType_)].startChosen
                           : current.camshaft != kNoCamshaft;
  EnableWindow(GetDlgItem(IDC_PHASE_START_TEETH[phase]), chosen && !combo.values.empty());
}

Flywheel CSisCalPha::Wheel() const { return model_.sync.flywheel; }

bool CSisCalPha::SavePage() {
  StorePhases();
  return true;
}

void CSisCalPha::StorePhases() {
  SyncRecord sync = model_.sync;
  const Phase& main = phases_[kMainPhase];
  if (main.camshaft == kNoCamshaft) {
    // Only the types that need no camshaft keep a setting; the mark tooth is not theirs.
    int type = kPhaseNone, marks = 0;
    if (mainType_ == kPhaseDynamicSynchronization) {
      type = mainType_;
      marks = main.marks;
    } else if (mainType_ == kPhasePressureSensor) {
      type = mainType_;
      marks = 1;
    }
    sync.mainType = type;
    for (size_t p = 0; p < kPhaseCount; ++p) {
      CamshaftOf(sync, p) = 0;
      SettingOf(sync, p) = {};
    }
    sync.main.teeth = static_cast<uint8_t>(marks);
    model_.SetPhases(sync, false);
    return;
  }

  sync.mainType = mainType_;
  for (size_t p = 0; p < kPhaseCount; ++p) {
    const Phase& phase = phases_[p];
    CamshaftOf(sync, p) = std::max(phase.camshaft, 0);
    SettingOf(sync, p) = p != kMainPhase && phase.camshaft == kNoCamshaft
                             ? PhaseSetting{}
                             : PhaseSetting{static_cast<uint8_t>(phase.marks),
                                            static_cast<uint8_t>(phase.startTooth)};
  }
  model_.SetPhases(sync, true);
}

}  // namespace vantel
