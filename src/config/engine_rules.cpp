#include "config/engine_rules.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "config/engine_record.h"
#include "config/flywheel_tables.h"
#include "res/string_ids.h"

namespace vantel {
namespace {

constexpr int kNoCamshaft = -1;
// Half an engine cycle: the opposite cylinder of a regular engine fires 360° later.
constexpr int kHalfCycle16 = 0x8000;

constexpr bool InRange(int value, int low, int high) { return value >= low && value <= high; }

// Main types that cannot tell one reference of a multi-reference flywheel from another.
constexpr std::array<bool, 8> kTypeNeedsSingleReference = {true, false, false, true,
                                                           true, true,  true,  true};

// Main types that need a mark on the flywheel, which a regular-teeth wheel does not have.
constexpr std::array<bool, 8> kTypeRefusesRegularTeeth = {true,  true,  false, true,
                                                          false, false, true,  true};

constexpr RuleTable kEngine = RuleTable::kEngineTable;
constexpr RuleTable kSync = RuleTable::kSyncTable;
constexpr RuleTable kPhaseCapsTable = RuleTable::kPhaseCaps;
constexpr RuleTable kCylinderCapsTable = RuleTable::kCylinderCaps;
// PhaseCaps word 1: bit type - 1 allows main type `type`; word 2: bit code allows camshaft code.
constexpr size_t kPhaseTypesWord = 1;
constexpr size_t kCamshaftsWord = 2;
constexpr int kCamshaftCodes = 4;

int EffectiveCamshaft(std::span<const uint16_t> phaseCaps, int code) {
  return (Word(phaseCaps, kCamshaftsWord) >> code) & 1 ? code : kNoCamshaft;
}

int EffectiveMainType(std::span<const uint16_t> phaseCaps, int type) {
  if (!InRange(type, kPhaseOnMarksState, kPhasePressureSensor)) return kPhaseNone;
  return (Word(phaseCaps, kPhaseTypesWord) >> (type - 1)) & 1 ? type : kPhaseNone;
}

std::vector<int64_t> AllowedCamshafts(std::span<const uint16_t> phaseCaps) {
  std::vector<int64_t> codes;
  for (int code = 0; code < kCamshaftCodes; ++code)
    if (EffectiveCamshaft(phaseCaps, code) == code) codes.push_back(code);
  return codes;
}

std::vector<int64_t> AllowedMainTypes(std::span<const uint16_t> phaseCaps) {
  std::vector<int64_t> types;
  for (int type = kPhaseOnMarksState; type <= kPhasePressureSensor; ++type)
    if (EffectiveMainType(phaseCaps, type) == type) types.push_back(type);
  return types;
}

// The main phase's marks count of SyncTable word 13 against the range its type allows.
Finding MarksOutOfRange(uint32_t messageId, std::string_view rule, int marks, Bound bound, int low,
                        int high) {
  Finding finding(messageId, rule);
  finding.Word(kSync, kSyncMainPhaseWord).Found(marks).Limit(bound, {low, high});
  return finding.Phase(kMainPhaseIndex);
}

// The first broken main phase rule, if any.
std::optional<Finding> FirstMainPhaseFault(const RuleView& view, const SyncRecord& sync,
                                           int effectiveType) {
  const Flywheel& f = sync.flywheel;
  const int type = sync.mainType;
  const int marks = sync.main.teeth;
  const int crankTooth = sync.main.crankTooth;

  if (EffectiveCamshaft(view.phaseCaps, sync.mainCamshaft) == kNoCamshaft) {
    Finding finding(IDS_MAIN_CAMSHAFT_UNKNOWN, "main-phase-camshaft");
    finding.Word(kSync, kSyncPhaseAssignmentWord).Word(kPhaseCapsTable, kCamshaftsWord);
    finding.Found(sync.mainCamshaft, Unit::kCamshaft)
        .Limit(Bound::kOneOf, AllowedCamshafts(view.phaseCaps));
    return finding.Phase(kMainPhaseIndex);
  }
  if (effectiveType != type) {
    Finding finding(IDS_MAIN_TYPE_UNKNOWN, "main-phase-type");
    finding.Word(kSync, kSyncPhaseAssignmentWord).Word(kPhaseCapsTable, kPhaseTypesWord);
    finding.Found(type, Unit::kPhaseType).Limit(Bound::kOneOf, AllowedMainTypes(view.phaseCaps));
    return finding.Phase(kMainPhaseIndex);
  }
  if (f.R > 1 && kTypeNeedsSingleReference[static_cast<size_t>(type)]) {
    Finding finding(IDS_MAIN_TYPE_SEVERAL_REFERENCES, "main-phase-references");
    finding.Word(kSync, kSyncPhaseAssignmentWord).Word(kSync, kSyncFlywheelWord);
    return finding.Found(f.R).Limit(Bound::kExactly, {1}).Phase(kMainPhaseIndex);
  }
  switch (type) {
    case kPhaseRegularTeeth:
      if (!InRange(marks, 2, kMaxPhaseMarks)) {
        return MarksOutOfRange(IDS_MAIN_TEETH_NUMBER_REFUSED, "main-phase-marks", marks,
                               Bound::kBetween, 2, kMaxPhaseMarks);
      }
      break;
    case kPhaseOnMarksState:
    case kPhaseOnMarksPosition:
      if (!InRange(marks, 1, kMaxPhaseMarks)) {
        return MarksOutOfRange(IDS_MAIN_TEETH_NUMBER_REFUSED, "main-phase-marks", marks,
                               Bound::kBetween, 1, kMaxPhaseMarks);
      }
      break;
    case kPhaseOneMissingTooth:
    case kPhaseOneSupplementaryTooth: {
      const int maxMarks = MaxToothTargetMarks(type, f);
      if (maxMarks < kFewestToothTargetMarks) {
        // The value found is what the flywheel leaves room for.
        Finding finding(IDS_MAIN_TEETH_FLYWHEEL_MISMATCH, "main-phase-marks-flywheel");
        finding.Word(kSync, kSyncMainPhaseWord).Word(kSync, kSyncFlywheelWord);
        finding.Found(maxMarks).Limit(Bound::kAtLeast, {kFewestToothTargetMarks});
        return finding.Phase(kMainPhaseIndex);
      }
      if (!InRange(marks, kFewestToothTargetMarks, maxMarks)) {
        Finding finding = MarksOutOfRange(IDS_MAIN_TEETH_NUMBER_REFUSED, "main-phase-marks", marks,
                                          Bound::kBetween, kFewestToothTargetMarks, maxMarks);
        return finding.Word(kSync, kSyncFlywheelWord);
      }
      break;
    }
    case kPhaseDynamicSynchronization:
      if (!InRange(marks, 2, kMaxSyncRounds) || marks % 2 != 0) {
        return MarksOutOfRange(IDS_MAIN_SYNC_ROUNDS_REFUSED, "main-phase-sync-rounds", marks,
                               Bound::kEvenBetween, 2, kMaxSyncRounds);
      }
      break;
    case kPhasePressureSensor:
      if (!view.phasePressureSensorPresent) {
        Finding finding(IDS_PRESSURE_SENSOR_MISSING, "phase-pressure-sensor");
        finding.Word(kSync, kSyncPhaseAssignmentWord).Limit(Bound::kPresent);
        return finding.Phase(kMainPhaseIndex);
      }
      if (marks != 1) {
        Finding finding(IDS_MAIN_PRESSURE_PULSES_REFUSED, "main-phase-pressure-pulses");
        finding.Word(kSync, kSyncMainPhaseWord).Found(marks).Limit(Bound::kExactly, {1});
        return finding.Phase(kMainPhaseIndex);
      }
      break;
    default:
      break;
  }
  if (!InRange(type, kPhaseOnMarksState, kPhaseOneSupplementaryTooth)) return std::nullopt;
  if (const int last = LastMainStartTooth(type, f); crankTooth > last) {
    Finding finding(IDS_MAIN_CAMSHAFT_TOOTH_WRONG, "main-phase-start-tooth");
    finding.Word(kSync, kSyncMainPhaseWord).Found(crankTooth, Unit::kTooth);
    finding.Limit(Bound::kAtMost, {last}).Tooth(crankTooth);
    return finding.Phase(kMainPhaseIndex);
  }
  if (const int expected = PhaseMarkTooth(marks, f.N, f.T, type, f.R); sync.markTooth != expected) {
    Finding finding(IDS_MAIN_MARK_NOT_IDENTIFIED, "main-phase-mark-tooth");
    finding.Word(kSync, kSyncMarkToothWord).Word(kSync, kSyncMainPhaseWord);
    finding.Found(sync.markTooth, Unit::kTooth).Limit(Bound::kExactly, {expected});
    return finding.Tooth(sync.markTooth).Tooth(expected).Phase(kMainPhaseIndex);
  }
  return std::nullopt;
}

struct MainPhase {
  int type = kPhaseNone;
  int camshaft = kNoCamshaft;
};

struct AuxPhaseMessages {
  uint32_t sensorMissing;  // 0: the phase needs no sensor of its own
  uint32_t camshaftUnknown;
  uint32_t teethRefused;
  uint32_t crankToothWrong;
};

constexpr std::array<AuxPhaseMessages, kAuxPhaseCount> kAuxPhaseMessages = {{
    {0, IDS_AUX1_CAMSHAFT_UNKNOWN, IDS_AUX1_TEETH_REFUSED, IDS_AUX1_CRANK_TOOTH_WRONG},
    {IDS_AUX2_SENSOR_MISSING, IDS_AUX2_CAMSHAFT_UNKNOWN, IDS_AUX2_TEETH_REFUSED,
     IDS_AUX2_CRANK_TOOTH_WRONG},
    {IDS_AUX3_SENSOR_MISSING, IDS_AUX3_CAMSHAFT_UNKNOWN, IDS_AUX3_TEETH_REFUSED,
     IDS_AUX3_CRANK_TOOTH_WRONG},
}};

constexpr int AuxPhase(size_t index) { return static_cast<int>(index) + 1; }

bool CheckAuxiliaryPhases(const RuleView& view, const SyncRecord& sync, MainPhase main,
                          ErrorList& errors) {
  std::array<bool, kAuxPhaseCount> sound = {true, true, true};
  std::array<int, kAuxPhaseCount> teeth{};
  for (size_t i = 0; i < kAuxPhaseCount; ++i) teeth[i] = sync.aux[i].teeth;

  const std::array<bool, kAuxPhaseCount> sensorAvailable = {true, view.auxPhase2SensorAvailable,
                                                            view.auxPhase3SensorAvailable};
  for (size_t i = 0; i < kAuxPhaseCount; ++i) {
    if (sensorAvailable[i] || teeth[i] == 0) continue;
    errors.Add(kAuxPhaseMessages[i].sensorMissing, "aux-phase-sensor")
        .Word(kSync, kSyncAuxPhaseWord + i)
        .Found(teeth[i])
        .Limit(Bound::kPresent)
        .Phase(AuxPhase(i));
    sound[i] = false;
    teeth[i] = 0;  // the phase cannot be measured: judge the others without it
  }

  std::array<int, kAuxPhaseCount> camshaft{};
  for (size_t i = 0; i < kAuxPhaseCount; ++i) {
    camshaft[i] = EffectiveCamshaft(view.phaseCaps, sync.auxCamshaft[i]);
  }

  const bool mainUnusable = main.type == kPhaseNone || main.type == kPhaseDynamicSynchronization ||
                            main.type == kPhasePressureSensor;
  if (mainUnusable) {
    Finding finding(IDS_AUX_NEED_MAIN_PHASE, "aux-phases-main-phase");
    finding.Word(kSync, kSyncPhaseAssignmentWord).Found(main.type, Unit::kPhaseType);
    finding.Limit(Bound::kOneOf, {kPhaseOnMarksState, kPhaseOnMarksPosition, kPhaseRegularTeeth,
                                  kPhaseOneMissingTooth, kPhaseOneSupplementaryTooth});
    finding.Phase(kMainPhaseIndex);
    for (size_t i = 0; i < kAuxPhaseCount; ++i) {
      if (teeth[i] == 0) continue;
      sound[i] = false;
      finding.Word(kSync, kSyncAuxPhaseWord + i).Phase(AuxPhase(i));
    }
    if (finding.phases.size() > 1) errors.Add(std::move(finding));
  } else {
    // Camshafts the ECU does not know compare equal: two such phases share "none".
    std::optional<std::pair<int, int>> shared;  // the two phases
    for (size_t i = 0; i < kAuxPhaseCount && !shared; ++i) {
      if (teeth[i] == 0) continue;
      if (camshaft[i] == main.camshaft) shared = {kMainPhaseIndex, AuxPhase(i)};
      for (size_t j = i + 1; j < kAuxPhaseCount && !shared; ++j) {
        if (teeth[j] != 0 && camshaft[j] == camshaft[i]) shared = {AuxPhase(i), AuxPhase(j)};
      }
    }
    if (shared) {
      // An auxiliary phase of the two: the main phase is the first when it is one of them.
      const int aux = shared->first == kMainPhaseIndex ? shared->second : shared->first;
      const size_t first = static_cast<size_t>(aux - 1);
      errors.Add(IDS_CAMSHAFT_SHARED, "camshaft-shared")
          .Word(kSync, kSyncPhaseAssignmentWord)
          .Found(camshaft[first], Unit::kCamshaft)
          .Limit(Bound::kDifferent)
          .Phase(shared->first)
          .Phase(shared->second);
      return false;
    }
  }

  for (size_t i = 0; i < kAuxPhaseCount; ++i) {
    if (!sound[i] || teeth[i] == 0) continue;
    const AuxPhaseMessages& messages = kAuxPhaseMessages[i];
    if (camshaft[i] != sync.auxCamshaft[i]) {
      errors.Add(messages.camshaftUnknown, "aux-phase-camshaft")
          .Word(kSync, kSyncPhaseAssignmentWord)
          .Word(kPhaseCapsTable, kCamshaftsWord)
          .Found(sync.auxCamshaft[i], Unit::kCamshaft)
          .Limit(Bound::kOneOf, AllowedCamshafts(view.phaseCaps))
          .Phase(AuxPhase(i));
      sound[i] = false;
    } else if (!InRange(teeth[i], 1, kMaxPhaseMarks)) {
      errors.Add(messages.teethRefused, "aux-phase-teeth")
          .Word(kSync, kSyncAuxPhaseWord + i)
          .Found(teeth[i])
          .Limit(Bound::kBetween, {1, kMaxPhaseMarks})
          .Phase(AuxPhase(i));
      sound[i] = false;
    }
    if (const int last = LastCycleTooth(sync.flywheel); sync.aux[i].crankTooth > last) {
      errors.Add(messages.crankToothWrong, "aux-phase-start-tooth")
          .Word(kSync, kSyncAuxPhaseWord + i)
          .Found(sync.aux[i].crankTooth, Unit::kTooth)
          .Limit(Bound::kAtMost, {last})
          .Tooth(sync.aux[i].crankTooth)
          .Phase(AuxPhase(i));
      sound[i] = false;
    }
  }
  return sound[0] && sound[1] && sound[2];
}

// Each cylinder of the first half fires 360° before its partner of the second half: the
// first pair (indexes into `angles`) that does not, if any. The sum is not reduced: a
// first-half angle of 360° or more has no partner.
std::optional<std::pair<size_t, size_t>> FirstUnopposedPair(std::span<const uint16_t> angles) {
  const size_t half = angles.size() / 2;
  for (size_t i = 0; i < half; ++i) {
    if (int{angles[half + i]} != int{angles[i]} + kHalfCycle16) return std::pair{i, half + i};
  }
  return std::nullopt;
}

constexpr size_t AngleWord(size_t index) { return kEngineAngleWord + index; }
constexpr int Rank(size_t index) { return static_cast<int>(index) + 1; }

// The pair of cylinders (indexes in firing order) whose angles are not 360° apart.
void AddUnopposed(Finding& finding, const EngineRecord& engine, size_t first, size_t second) {
  finding.Word(kEngine, AngleWord(first)).Word(kEngine, AngleWord(second));
  finding.Found(int{engine.angles[second]} - int{engine.angles[first]}, Unit::kAngle16);
  finding.Limit(Bound::kExactly, {kHalfCycle16}).Cylinder(Rank(first)).Cylinder(Rank(second));
}

bool CheckCylinders(const RuleView& view, const EngineRecord& engine, ErrorList& errors) {
  const int cylinders = engine.cylinders;
  const uint16_t cylinderCaps = Word(view.cylinderCaps, 1);
  bool sound = true;

  const auto count = std::find(kCylinderCounts.begin(), kCylinderCounts.end(), cylinders);
  const bool allowed =
      count != kCylinderCounts.end() && (cylinderCaps >> (count - kCylinderCounts.begin())) & 1;
  if (!allowed) {
    std::vector<int64_t> counts;
    for (size_t i = 0; i < kCylinderCounts.size(); ++i)
      if ((cylinderCaps >> i) & 1) counts.push_back(kCylinderCounts[i]);
    errors.Add(IDS_CYLINDERS_NUMBER_REFUSED, "cylinder-count")
        .Word(kEngine, kEngineCylindersWord)
        .Word(kCylinderCapsTable, 1)
        .Found(cylinders)
        .Limit(Bound::kOneOf, std::move(counts));
    sound = false;
  } else {
    for (size_t i = 1; i < static_cast<size_t>(cylinders); ++i) {
      if (engine.angles[i] >= engine.angles[i - 1]) continue;
      errors.Add(IDS_CYLINDER_ANGLES_DECREASE, "cylinder-angles-decrease")
          .Word(kEngine, AngleWord(i))
          .Word(kEngine, AngleWord(i - 1))
          .Found(engine.angles[i], Unit::kAngle16)
          .Limit(Bound::kAtLeast, {engine.angles[i - 1]})
          .Cylinder(Rank(i - 1))
          .Cylinder(Rank(i));
      sound = false;
      break;
    }
  }

  if ((engine.banks & 1) != 0 || engine.angles[0] != 0) {
    Finding& finding = errors.Add(IDS_FIRST_CYLINDER_NOT_AT_ZERO, "first-cylinder");
    if (engine.angles[0] != 0) {
      finding.Word(kEngine, AngleWord(0)).Found(engine.angles[0], Unit::kAngle16);
      finding.Limit(Bound::kExactly, {0});
    } else {
      finding.Word(kEngine, kEngineBanksWord).Found(2, Unit::kBank).Limit(Bound::kExactly, {1});
    }
    finding.Cylinder(1);
    return false;
  }

  // With an ignition channel per cylinder the ECU needs no pairing of the angles.
  const bool sharedChannels = Word(view.ignitionCaps, 2) < cylinders;
  if (engine.banks == 0) {
    if (!sound || !sharedChannels) return sound;
    const auto used = std::span(engine.angles).first(static_cast<size_t>(cylinders));
    const auto pair = FirstUnopposedPair(used);
    if (!pair) return true;
    Finding& finding = errors.Add(IDS_CYLINDER_ANGLES_NOT_OPPOSED, "cylinder-angles-opposed");
    AddUnopposed(finding, engine, pair->first, pair->second);
    finding.Word(RuleTable::kIgnitionCaps, 2);
    return false;
  }

  if ((cylinderCaps & kBanksAllowedBit) == 0) {
    errors.Add(IDS_BANKS_NOT_ALLOWED, "banks-not-allowed")
        .Word(kEngine, kEngineBanksWord)
        .Word(kCylinderCapsTable, 1)
        .Found(engine.banks, Unit::kBits)
        .Limit(Bound::kExactly, {0});
    return false;
  }
  if (!sound || !sharedChannels) return sound;
  if (cylinders % 4 != 0) {
    errors.Add(IDS_BANKS_CYLINDERS_NUMBER, "banks-cylinder-count")
        .Word(kEngine, kEngineCylindersWord)
        .Word(kEngine, kEngineBanksWord)
        .Found(cylinders)
        .Limit(Bound::kMultipleOf, {4});
    return false;
  }

  std::array<std::vector<uint16_t>, 2> bankAngles;  // in firing order
  std::array<std::vector<size_t>, 2> bankCylinders;
  for (size_t i = 0; i < static_cast<size_t>(cylinders); ++i) {
    const size_t bank = (engine.banks >> i) & 1;
    bankAngles[bank].push_back(engine.angles[i]);
    bankCylinders[bank].push_back(i);
  }
  if (bankAngles[0].size() != bankAngles[1].size()) {
    Finding& finding = errors.Add(IDS_BANKS_UNEQUAL, "banks-unequal");
    finding.Word(kEngine, kEngineBanksWord).Found(static_cast<int64_t>(bankAngles[1].size()));
    finding.Limit(Bound::kExactly, {cylinders / 2});
    for (size_t i : bankCylinders[1]) finding.Cylinder(Rank(i));
    return false;
  }
  for (size_t bank = 0; bank < bankAngles.size(); ++bank) {
    const auto pair = FirstUnopposedPair(bankAngles[bank]);
    if (!pair) continue;
    Finding& finding = errors.Add(IDS_BANKS_NOT_REGULAR, "bank-angles-opposed");
    finding.Word(kEngine, kEngineBanksWord);
    AddUnopposed(finding, engine, bankCylinders[bank][pair->first],
                 bankCylinders[bank][pair->second]);
    return false;
  }
  return true;
}

constexpr int kMinTeeth = 8;
constexpr int kMaxTeeth = 58;

bool CheckFlywheel(const Flywheel& f, int effectiveMainType, ErrorList& errors) {
  bool sound = true;
  auto fail = [&](uint32_t messageId, std::string_view rule) -> Finding& {
    sound = false;
    return errors.Add(messageId, rule).Word(kSync, kSyncFlywheelWord);
  };
  if (!InRange(f.T, kMinTeeth, kMaxTeeth)) {
    fail(IDS_FLYWHEEL_TEETH_REFUSED, "flywheel-teeth")
        .Found(f.T)
        .Limit(Bound::kBetween, {kMinTeeth, kMaxTeeth});
  } else if (!IsKnownFlywheelKind(f.K)) {
    fail(IDS_FLYWHEEL_TEETH_REFUSED, "flywheel-kind")
        .Found(f.K, Unit::kFlywheelKind)
        .Limit(Bound::kBetween, {kTwoMissingTeeth, kOneExtraTooth});
  }
  if (f.K == kRegularTeeth && kTypeRefusesRegularTeeth[static_cast<size_t>(effectiveMainType)]) {
    std::vector<int64_t> types;
    for (size_t type = 0; type < kTypeRefusesRegularTeeth.size(); ++type)
      if (!kTypeRefusesRegularTeeth[type]) types.push_back(static_cast<int64_t>(type));
    fail(IDS_MAIN_TYPE_FLYWHEEL_MISMATCH, "main-phase-flywheel")
        .Word(kSync, kSyncPhaseAssignmentWord)
        .Found(effectiveMainType, Unit::kPhaseType)
        .Limit(Bound::kOneOf, std::move(types))
        .Phase(kMainPhaseIndex);
  }
  if (f.T % f.R != 0) {
    fail(IDS_FLYWHEEL_TEETH_REFERENCES, "flywheel-teeth-references")
        .Found(f.T)
        .Limit(Bound::kMultipleOf, {f.R});
  }
  if (f.S > 1 && (f.R > 1 || f.K != kTwoMissingTeeth)) {
    Finding& finding = fail(IDS_FLYWHEEL_TYPE_SINGULARITY, "flywheel-singularity");
    if (f.R > 1) {
      finding.Found(f.R).Limit(Bound::kExactly, {1});
    } else {
      finding.Found(f.K, Unit::kFlywheelKind).Limit(Bound::kExactly, {kTwoMissingTeeth});
    }
  }
  if (f.K == kOneExtraTooth && f.T < 3 * f.R) {
    fail(IDS_FLYWHEEL_TYPE_REFERENCES, "flywheel-extra-tooth-teeth")
        .Found(f.T)
        .Limit(Bound::kAtLeast, {3 * f.R});
  } else if (f.K == kRegularTeeth && f.R != 1) {
    fail(IDS_FLYWHEEL_TYPE_REFERENCES, "flywheel-regular-references")
        .Found(f.R)
        .Limit(Bound::kExactly, {1});
  }
  return sound;
}

}  // namespace

EngineRuleOutcome CheckEngineRules(const RuleView& view, ErrorList& errors) {
  const SyncRecord& sync = view.sync;
  const EngineRecord& engine = view.engine;

  MainPhase main{EffectiveMainType(view.phaseCaps, sync.mainType),
                 EffectiveCamshaft(view.phaseCaps, sync.mainCamshaft)};
  bool mainSound = true;
  if (std::optional<Finding> fault = FirstMainPhaseFault(view, sync, main.type)) {
    errors.Add(std::move(*fault));
    mainSound = false;
    main = MainPhase{};
  }
  const bool auxSound = CheckAuxiliaryPhases(view, sync, main, errors);
  const bool cylindersSound = CheckCylinders(view, engine, errors);
  const bool flywheelSound = CheckFlywheel(sync.flywheel, main.type, errors);

  EngineRuleOutcome outcome;
  outcome.sound = mainSound && auxSound && cylindersSound && flywheelSound;
  outcome.flywheelTablesBuildable = cylindersSound && flywheelSound;
  return outcome;
}

FlywheelTableRefresh RegenerateFlywheelTables(
    const std::array<WordTable, kConfigTableCount>& stored) {
  FlywheelTableRefresh refresh;
  WordTable sync = stored[kSyncTable];
  std::optional<FlywheelTables> built = BuildFlywheelTables(sync, stored[kEngineTable]);
  refresh.built = built.has_value();
  if (!built) return refresh;
  built->WriteSyncWords(sync);
  std::array<WordTable, 4>& tables = built->tables;

  if (sync != stored[kSyncTable]) refresh.changed.emplace_back(kSyncTable, std::move(sync));
  constexpr std::array<ConfigTableIndex, 4> kFlywheelTables = {
      kToothWindowTable, kToothAngleTable, kToothPositionTable, kRegularToothTable};
  for (size_t i = 0; i < kFlywheelTables.size(); ++i) {
    if (tables[i] == stored[kFlywheelTables[i]]) continue;
    refresh.changed.emplace_back(kFlywheelTables[i], std::move(tables[i]));
  }
  return refresh;
}

}  // namespace vantel
