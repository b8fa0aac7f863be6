#include "config/engine_rules.h"

#include <algorithm>

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

int EffectiveCamshaft(std::span<const uint16_t> phaseCaps, int code) {
  return (Word(phaseCaps, 2) >> code) & 1 ? code : kNoCamshaft;
}

int EffectiveMainType(std::span<const uint16_t> phaseCaps, int type) {
  if (!InRange(type, kPhaseOnMarksState, kPhasePressureSensor)) return kPhaseNone;
  return (Word(phaseCaps, 1) >> (type - 1)) & 1 ? type : kPhaseNone;
}

// The first broken main phase rule, 0 when there is none.
uint32_t FirstMainPhaseFault(const RuleView& view, const SyncRecord& sync, int effectiveType) {
  const Flywheel& f = sync.flywheel;
  const int type = sync.mainType;
  const int marks = sync.main.teeth;
  const int crankTooth = sync.main.crankTooth;

  if (EffectiveCamshaft(view.phaseCaps, sync.mainCamshaft) == kNoCamshaft) {
    return IDS_MAIN_CAMSHAFT_UNKNOWN;
  }
  if (effectiveType != type) return IDS_MAIN_TYPE_UNKNOWN;
  if (f.R > 1 && kTypeNeedsSingleReference[static_cast<size_t>(type)]) {
    return IDS_MAIN_TYPE_SEVERAL_REFERENCES;
  }
  switch (type) {
    case kPhaseRegularTeeth:
      if (!InRange(marks, 2, kMaxPhaseMarks)) return IDS_MAIN_TEETH_NUMBER_REFUSED;
      break;
    case kPhaseOnMarksState:
    case kPhaseOnMarksPosition:
      if (!InRange(marks, 1, kMaxPhaseMarks)) return IDS_MAIN_TEETH_NUMBER_REFUSED;
      break;
    case kPhaseOneMissingTooth:
    case kPhaseOneSupplementaryTooth: {
      const int maxMarks = MaxToothTargetMarks(type, f);
      if (maxMarks < kFewestToothTargetMarks) return IDS_MAIN_TEETH_FLYWHEEL_MISMATCH;
      if (!InRange(marks, kFewestToothTargetMarks, maxMarks)) return IDS_MAIN_TEETH_NUMBER_REFUSED;
      break;
    }
    case kPhaseDynamicSynchronization:
      if (!InRange(marks, 2, kMaxSyncRounds) || marks % 2 != 0) {
        return IDS_MAIN_SYNC_ROUNDS_REFUSED;
      }
      break;
    case kPhasePressureSensor:
      if (!view.phasePressureSensorPresent) return IDS_PRESSURE_SENSOR_MISSING;
      if (marks != 1) return IDS_MAIN_PRESSURE_PULSES_REFUSED;
      break;
    default:
      break;
  }
  if (!InRange(type, kPhaseOnMarksState, kPhaseOneSupplementaryTooth)) return 0;
  if (crankTooth > LastMainStartTooth(type, f)) return IDS_MAIN_CAMSHAFT_TOOTH_WRONG;
  if (sync.markTooth != PhaseMarkTooth(marks, f.N, f.T, type, f.R)) {
    return IDS_MAIN_MARK_NOT_IDENTIFIED;
  }
  return 0;
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

bool CheckAuxiliaryPhases(const RuleView& view, const SyncRecord& sync, MainPhase main,
                          ErrorList& errors) {
  std::array<bool, kAuxPhaseCount> sound = {true, true, true};
  std::array<int, kAuxPhaseCount> teeth{};
  for (size_t i = 0; i < kAuxPhaseCount; ++i) teeth[i] = sync.aux[i].teeth;

  const std::array<bool, kAuxPhaseCount> sensorAvailable = {true, view.auxPhase2SensorAvailable,
                                                            view.auxPhase3SensorAvailable};
  for (size_t i = 0; i < kAuxPhaseCount; ++i) {
    if (sensorAvailable[i] || teeth[i] == 0) continue;
    errors.Add(kAuxPhaseMessages[i].sensorMissing);
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
    bool anyUsed = false;
    for (size_t i = 0; i < kAuxPhaseCount; ++i) {
      if (teeth[i] == 0) continue;
      sound[i] = false;
      anyUsed = true;
    }
    if (anyUsed) errors.Add(IDS_AUX_NEED_MAIN_PHASE);
  } else {
    // Camshafts the ECU does not know compare equal: two such phases share "none".
    bool shared = false;
    for (size_t i = 0; i < kAuxPhaseCount && !shared; ++i) {
      if (teeth[i] == 0) continue;
      if (camshaft[i] == main.camshaft) shared = true;
      for (size_t j = i + 1; j < kAuxPhaseCount && !shared; ++j) {
        if (teeth[j] != 0 && camshaft[j] == camshaft[i]) shared = true;
      }
    }
    if (shared) {
      errors.Add(IDS_CAMSHAFT_SHARED);
      return false;
    }
  }

  for (size_t i = 0; i < kAuxPhaseCount; ++i) {
    if (!sound[i] || teeth[i] == 0) continue;
    const AuxPhaseMessages& messages = kAuxPhaseMessages[i];
    if (camshaft[i] != sync.auxCamshaft[i]) {
      errors.Add(messages.camshaftUnknown);
      sound[i] = false;
    } else if (!InRange(teeth[i], 1, kMaxPhaseMarks)) {
      errors.Add(messages.teethRefused);
      sound[i] = false;
    }
    if (sync.aux[i].crankTooth > LastCycleTooth(sync.flywheel)) {
      errors.Add(messages.crankToothWrong);
      sound[i] = false;
    }
  }
  return sound[0] && sound[1] && sound[2];
}

// Each cylinder of the first half fires 360° before its partner of the second half. The
// sum is not reduced: a first-half angle of 360° or more has no partner.
bool AnglesOpposed(std::span<const uint16_t> angles) {
  const size_t half = angles.size() / 2;
  for (size_t i = 0; i < half; ++i) {
    if (int{angles[half + i]} != int{angles[i]} + kHalfCycle16) return false;
  }
  return true;
}

bool CheckCylinders(const RuleView& view, const EngineRecord& engine, ErrorList& errors) {
  const int cylinders = engine.cylinders;
  const uint16_t cylinderCaps = Word(view.cylinderCaps, 1);
  bool sound = true;

  const auto count = std::find(kCylinderCounts.begin(), kCylinderCounts.end(), cylinders);
  const bool allowed =
      count != kCylinderCounts.end() && (cylinderCaps >> (count - kCylinderCounts.begin())) & 1;
  if (!allowed) {
    errors.Add(IDS_CYLINDERS_NUMBER_REFUSED);
    sound = false;
  } else {
    for (int i = 1; i < cylinders; ++i) {
      if (engine.angles[static_cast<size_t>(i)] >= engine.angles[static_cast<size_t>(i - 1)]) {
        continue;
      }
      errors.Add(IDS_CYLINDER_ANGLES_DECREASE);
      sound = false;
      break;
    }
  }

  if ((engine.banks & 1) != 0 || engine.angles[0] != 0) {
    errors.Add(IDS_FIRST_CYLINDER_NOT_AT_ZERO);
    return false;
  }

  // With an ignition channel per cylinder the ECU needs no pairing of the angles.
  const bool sharedChannels = Word(view.ignitionCaps, 2) < cylinders;
  if (engine.banks == 0) {
    if (!sound || !sharedChannels) return sound;
    const auto used = std::span(engine.angles).first(static_cast<size_t>(cylinders));
    if (AnglesOpposed(used)) return true;
    errors.Add(IDS_CYLINDER_ANGLES_NOT_OPPOSED);
    return false;
  }

  if ((cylinderCaps & kBanksAllowedBit) == 0) {
    errors.Add(IDS_BANKS_NOT_ALLOWED);
    return false;
  }
  if (!sound || !sharedChannels) return sound;
  if (cylinders % 4 != 0) {
    errors.Add(IDS_BANKS_CYLINDERS_NUMBER);
    return false;
  }

  std::array<std::vector<uint16_t>, 2> bankAngles;  // in firing order
  for (int i = 0; i < cylinders; ++i) {
    bankAngles[(engine.banks >> i) & 1].push_back(engine.angles[static_cast<size_t>(i)]);
  }
  if (bankAngles[0].size() != bankAngles[1].size()) {
    errors.Add(IDS_BANKS_UNEQUAL);
    return false;
  }
  for (const auto& angles : bankAngles) {
    if (AnglesOpposed(angles)) continue;
    errors.Add(IDS_BANKS_NOT_REGULAR);
    return false;
  }
  return true;
}

bool CheckFlywheel(const Flywheel& f, int effectiveMainType, ErrorList& errors) {
  bool sound = true;
  auto fail = [&](uint32_t messageId) {
    errors.Add(messageId);
    sound = false;
  };
  constexpr int kMinTeeth = 8;
  constexpr int kMaxTeeth = 58;
  if (!InRange(f.T, kMinTeeth, kMaxTeeth) || !IsKnownFlywheelKind(f.K))
    fail(IDS_FLYWHEEL_TEETH_REFUSED);
  if (f.K == kRegularTeeth && kTypeRefusesRegularTeeth[static_cast<size_t>(effectiveMainType)]) {
    fail(IDS_MAIN_TYPE_FLYWHEEL_MISMATCH);
  }
  if (f.T % f.R != 0) fail(IDS_FLYWHEEL_TEETH_REFERENCES);
  if (f.S > 1 && (f.R > 1 || f.K != kTwoMissingTeeth)) fail(IDS_FLYWHEEL_TYPE_SINGULARITY);
  if ((f.K == kOneExtraTooth && f.T < 3 * f.R) || (f.K == kRegularTeeth && f.R != 1)) {
    fail(IDS_FLYWHEEL_TYPE_REFERENCES);
  }
  return sound;
}

}  // namespace

EngineRuleOutcome CheckEngineRules(const RuleView& view, ErrorList& errors) {
  const SyncRecord sync = DecodeSyncTable(view.syncTable);
  const EngineRecord engine = DecodeEngineTable(view.engineTable);

  MainPhase main{EffectiveMainType(view.phaseCaps, sync.mainType),
                 EffectiveCamshaft(view.phaseCaps, sync.mainCamshaft)};
  bool mainSound = true;
  if (const uint32_t fault = FirstMainPhaseFault(view, sync, main.type); fault != 0) {
    errors.Add(fault);
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
