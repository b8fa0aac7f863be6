#pragma once
// Coherent engine configurations for tests, and the few words each test changes.
//
// The baseline is a 4-cylinder engine that every rule accepts:
//   EngineTable  4 cylinders fired every 180° of crankshaft (TDC angles 0, 90°, 180°, 270°
//                of the 720° cycle), no cylinder banks, static ignition (one coil per
//                cylinder), no ignition delay, sequential injection on one rail, no
//                peak-and-hold, no rail map scales chosen.
//   SyncTable    a 60-2 flywheel (58 teeth present, one reference of two missing teeth),
//                main phase "On marks state": one mark on the intake camshaft of bank 1,
//                measured from crankshaft tooth 10; no auxiliary phase; the mark tooth
//                and words 2, 5 to 10 as the ECU computes them.
//   Flywheel description tables generated from the two tables above.
//   Capabilities every cylinder count and banks; every phase type and camshaft; all three
//                ignition types with 4 ignition channels, shared outputs freed up to 4
//                cylinders, 12 ignition pulses, a 100 µs delay; every injection type and
//                peak-and-hold mode with 4 injection channels when the ignition frees the
//                shared outputs and 2 otherwise; no rail piloting map.
//   Sensors      auxiliary phase 2 and 3 sensors available, phase pressure sensor present,
//                every flywheel table accepted by the ECU.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

#include "cmdtable/ecu_data.h"
#include "config/engine_record.h"
#include "config/flywheel_tables.h"
#include "config/rule_view.h"
#include "support/baseline_tables.h"

namespace vantel::test {

/// TDC angles of `cylinders` cylinders fired at equal intervals over the 720° cycle.
inline std::vector<uint16_t> RegularAngles(int cylinders) {
  std::vector<uint16_t> angles;
  for (int i = 0; i < cylinders; ++i) {
    angles.push_back(static_cast<uint16_t>(RoundHalfUp(uint64_t(i) * 65536, uint64_t(cylinders))));
  }
  return angles;
}

/// The flywheel word: `actual` teeth present, `nominal` regular teeth counting the missing
/// ones, `references` marks per revolution, the alternative singularity when `variant`.
constexpr uint16_t FlywheelWord(int actual, int nominal, int references = 1, bool variant = false) {
  return static_cast<uint16_t>((variant ? 0x8000 : 0) | (nominal << 8) | ((references - 1) << 6) |
                               actual);
}

inline constexpr uint16_t kWheel60Minus2 = FlywheelWord(58, 60);

/// A built configuration: six tables, capabilities and sensor facts, held as the machine
/// data the product reads them from.
struct Config : MachineData {
  Config() {
    auxPhase2SensorAvailable = 1;
    auxPhase3SensorAvailable = 1;
    phaseKnown = 1;
    flywheelTableFlag = 1;
  }

  const WordTable& engine() const { return tables[kEngineTable]; }
  const WordTable& sync() const { return tables[kSyncTable]; }

  /// The rules' view; borrows this configuration.
  RuleView View() const { return StoredRuleView(*this); }

  /// Puts the tables, capabilities and sensor facts into a machine's data.
  void ApplyTo(MachineData& data) const {
    data.tables = tables;
    data.caps = caps;
    data.auxPhase2SensorAvailable = auxPhase2SensorAvailable;
    data.auxPhase3SensorAvailable = auxPhase3SensorAvailable;
    data.phaseKnown = phaseKnown;
    data.flywheelTableFlag = flywheelTableFlag;
  }
};

class ConfigBuilder {
 public:
  ConfigBuilder() {
    engine_.assign(kEngineTableWords, 0);
    engine_[0] = kEngineTableWords * 2;
    engine_[kEngineFormatWord] = kEngineFormat;
    for (size_t i = 0; i < kEngineReferencePositions.size(); ++i) {
      engine_[kEngineReferencePositionWord + i] = kEngineReferencePositions[i];
    }
    for (size_t i = 0; i < kEngineScaleReferenceCount; ++i) ScaleReference(i, kNoItemReference);
    Cylinders(4).Ignition(kIgnitionStatic).Injection(InjectionBit(1, 0));

    sync_.assign(kSyncTableWords, 0);
    sync_[0] = kSyncTableWords * 2;
    sync_[kSyncWord4] = 0xFFFF;
    Flywheel(kWheel60Minus2).MainPhase(kPhaseOnMarksState, 1, 10);

    CylinderCaps(0x81FF).PhaseTypes(0x7F).Camshafts(0x0F);
    baselineWheel_ = true;
    IgnitionCaps(0x7, 4, 4, 12, 100);
    InjectionCaps(0xC1FF, 4, 2);
    RailMaps({});
  }

  // --- EngineTable
  /// The number of cylinders, fired at equal intervals.
  ConfigBuilder& Cylinders(uint16_t count) {
    baselineWheel_ = false;
    engine_[kEngineCylindersWord] = count;
    return Angles(RegularAngles(count > kMaxCylinders ? int{kMaxCylinders} : count));
  }
  /// TDC angles of cylinders 1 on, in 1/65536 of 720°; the rest are 0.
  ConfigBuilder& Angles(const std::vector<uint16_t>& angles) {
    baselineWheel_ = false;
    for (size_t i = 0; i < kMaxCylinders; ++i) {
      engine_[kEngineAngleWord + i] = i < angles.size() ? angles[i] : 0;
    }
    return *this;
  }
  /// Bit i set: cylinder i + 1 (firing order) on bank 2.
  ConfigBuilder& Banks(uint16_t bits) {
    baselineWheel_ = false;
    return SetEngine(kEngineBanksWord, bits);
  }
  ConfigBuilder& Ignition(uint16_t typeBits) { return SetEngine(kEngineIgnitionWord, typeBits); }
  ConfigBuilder& IgnitionDelay(uint16_t delayUs) {
    return SetEngine(kEngineIgnitionDelayWord, delayUs);
  }
  /// Word 21: the injection type bit (InjectionBit) and the peak-and-hold bits.
  ConfigBuilder& Injection(uint16_t word) { return SetEngine(kEngineInjectionWord, word); }
  /// Peak-and-hold tuning word 0 to 2 (words 23 to 25).
  ConfigBuilder& PeakHoldTuning(size_t which, uint16_t value) {
    return SetEngine(kEnginePeakHoldTuningWord + which, value);
  }
  /// Reference 0 and 1: vertical and horizontal scale of the first rail map; 2 and 3 of the
  /// second. kNoItemReference when none is chosen.
  ConfigBuilder& ScaleReference(size_t which, uint32_t id) {
    SetLong(engine_, kEngineScaleReferenceWord + 2 * which, id);
    return *this;
  }

  // --- SyncTable
  ConfigBuilder& Flywheel(uint16_t word) {
    baselineWheel_ = false;
    sync_[kSyncFlywheelWord] = word;
    return *this;
  }
  /// Main phase type, marks count (or rounds, or pulses), crankshaft tooth and camshaft.
  /// The mark tooth follows unless MarkTooth overrides it.
  ConfigBuilder& MainPhase(int type, int marks, int crankTooth, int camshaft = kCamIntakeBank1) {
    baselineWheel_ = false;
    SetPhaseAssignment(type, 0xFF);
    SetPhaseAssignment(camshaft << 8, 0x300);
    sync_[kSyncMainPhaseWord] = static_cast<uint16_t>(crankTooth << 8 | marks);
    return *this;
  }
  ConfigBuilder& MarkTooth(uint16_t tooth) {
    baselineWheel_ = false;
    markTooth_ = tooth;
    return *this;
  }
  /// Auxiliary phase 1 to 3: camshaft code, camshaft teeth (0 = unused), crankshaft tooth.
  ConfigBuilder& AuxPhase(int phase, int camshaft, int teeth, int crankTooth) {
    baselineWheel_ = false;
    const int shift = 10 + 2 * (phase - 1);
    SetPhaseAssignment(camshaft << shift, 0x3 << shift);
    sync_[kSyncAuxPhaseWord + static_cast<size_t>(phase - 1)] =
        static_cast<uint16_t>(crankTooth << 8 | teeth);
    return *this;
  }

  // --- EcuCapabilities
  /// Bits 0-8: cylinder counts 1, 2, 3, 4, 5, 6, 8, 10, 12; bit 15: banks.
  ConfigBuilder& CylinderCaps(uint16_t bits) {
    config_.caps.CylinderCaps = {4, bits};
    return *this;
  }
  /// Bit k: main phase type k + 1 allowed.
  ConfigBuilder& PhaseTypes(uint16_t bits) {
    phaseTypes_ = bits;
    return UpdatePhaseCaps();
  }
  /// Bit c: camshaft code c allowed.
  ConfigBuilder& Camshafts(uint16_t bits) {
    camshafts_ = bits;
    return UpdatePhaseCaps();
  }
  ConfigBuilder& IgnitionCaps(uint16_t types, uint16_t channels, uint16_t sharedOutputLimit,
                              uint16_t pulses, uint16_t maxDelayUs) {
    config_.caps.IgnitionCaps = {12, types, channels, sharedOutputLimit, pulses, maxDelayUs};
    return *this;
  }
  /// Allowed word-21 bits; channels when the ignition frees the shared outputs; otherwise.
  ConfigBuilder& InjectionCaps(uint16_t allowed, uint16_t freedChannels, uint16_t channels) {
    config_.caps.InjectionCaps = {10, allowed, freedChannels, channels, 0};
    return *this;
  }
  /// The rail piloting maps' item identifiers.
  ConfigBuilder& RailMaps(std::initializer_list<uint32_t> ids) {
    WordTable& list = config_.caps.RailMapList;
    list.assign(1, static_cast<uint16_t>(2 + 4 * ids.size()));
    for (uint32_t id : ids) SetLong(list, list.size(), id);
    return *this;
  }

  // --- sensors
  ConfigBuilder& AuxPhaseSensors(bool phase2, bool phase3) {
    config_.auxPhase2SensorAvailable = phase2 ? 1 : 0;
    config_.auxPhase3SensorAvailable = phase3 ? 1 : 0;
    return *this;
  }
  ConfigBuilder& PhasePressureSensor(bool present) {
    config_.phaseKnown = present ? 1 : 0;
    return *this;
  }
  ConfigBuilder& FlywheelTableFlag(bool accepted) {
    config_.flywheelTableFlag = accepted ? 1 : 0;
    return *this;
  }

  /// The configuration. The baseline wheel takes its literal tables; any other takes the mark
  /// tooth and flywheel description tables the product computes, whose own tests pin them
  /// (small placeholder tables when the flywheel has no known type).
  Config Build() const {
    Config config = config_;
    config.tables[kEngineTable] = engine_;
    if (baselineWheel_) {
      config.tables[kSyncTable] = kBaselineSyncTable;
      config.tables[kToothWindowTable] = kBaselineToothWindowTable;
      config.tables[kToothAngleTable] = kBaselineToothAngleTable;
      config.tables[kToothPositionTable] = kBaselineToothPositionTable;
      config.tables[kRegularToothTable] = kBaselineRegularToothTable;
      return config;
    }
    WordTable sync = sync_;
    const vantel::Flywheel f = DecodeFlywheel(sync[kSyncFlywheelWord]);
    const uint16_t main = sync[kSyncMainPhaseWord];
    sync[kSyncMarkToothWord] = markTooth_.value_or(static_cast<uint16_t>(
        PhaseMarkTooth(main & 0xFF, f.N, f.T, sync[kSyncPhaseAssignmentWord] & 0xFF, f.R)));
    std::array<WordTable, 4> flywheel;
    flywheel.fill(WordTable{4, 0});
    if (std::optional<FlywheelTables> built = BuildFlywheelTables(sync, engine_)) {
      built->WriteSyncWords(sync);
      flywheel = std::move(built->tables);
    }
    config.tables[kSyncTable] = std::move(sync);
    for (size_t i = 0; i < flywheel.size(); ++i) {
      config.tables[kToothWindowTable + i] = std::move(flywheel[i]);
    }
    return config;
  }

 private:
  ConfigBuilder& SetEngine(size_t word, uint16_t value) {
    engine_[word] = value;
    return *this;
  }
  void SetPhaseAssignment(int bits, int mask) {
    uint16_t& word = sync_[kSyncPhaseAssignmentWord];
    word = static_cast<uint16_t>((word & ~mask) | (bits & mask));
  }
  ConfigBuilder& UpdatePhaseCaps() {
    config_.caps.PhaseCaps = {6, phaseTypes_, camshafts_};
    return *this;
  }

  WordTable engine_;
  WordTable sync_;
  std::optional<uint16_t> markTooth_;
  uint16_t phaseTypes_ = 0;
  uint16_t camshafts_ = 0;
  bool baselineWheel_ = false;
  Config config_;
};

/// The baseline with flywheel description tables (and SyncTable words) the generator would
/// not make: the stored tables are stale.
inline Config StaleTables() {
  Config config = ConfigBuilder().Build();
  config.tables[kSyncTable][6] += 1;
  config.tables[kToothAngleTable][5] += 1;
  config.tables[kRegularToothTable].push_back(0);
  config.tables[kRegularToothTable][0] += 2;
  return config;
}

/// An EngineTable in the older 22-word layout: 4 cylinders, two scale references (item 0x00020011
/// and an unknown 0x0099).
inline WordTable OldEngineTable() {
  WordTable t(22, 0);
  t[0] = 44;
  t[1] = 4;
  t[6] = 4;
  t[14] = 0x0011;
  t[15] = 0x0002;
  t[16] = 0x0099;
  return t;
}

/// A SyncTable in an older layout of `words` words (18 or 20): a 60-2 wheel, one mark.
inline WordTable OldSyncTable(size_t words = 20) {
  WordTable t(words, 0);
  t[0] = static_cast<uint16_t>(2 * words);
  t[1] = 0x3A;
  t[2] = 0x3C;
  t[14] = kPhaseOnMarksState;
  t[15] = 1;
  return t;
}

}  // namespace vantel::test
