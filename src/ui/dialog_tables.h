#pragma once
// The configuration dialog's model: a machine's engine, synchronisation and capability
// records, decoded once when a dialog opens, with the words no record holds (the four
// flywheel tables, the generator's SyncTable words, size and format words) kept beside them.
// Pages read and edit only this value, through the records and the operations below; the
// machine's tables stay untouched until the plug-in publishes what `Encode` makes of it.
#include <array>
#include <cstdint>

#include "cmdtable/ecu_data.h"
#include "config/capability_record.h"
#include "config/engine_record.h"

namespace vantel {

/// What the pages need to know of the machine's sensors.
struct SensorFacts {
  /// A sensor for auxiliary phases 2 and 3: without it their settings are not shown.
  bool auxPhase2SensorAvailable = true;
  bool auxPhase3SensorAvailable = true;
};

struct DialogTables {
  /// `data`'s records, tables, capabilities and sensor facts; the channel count from
  /// InjectionCaps word 3.
  static DialogTables From(const MachineData& data);

  /// The six tables with the records encoded into the engine and sync tables: what the
  /// rules check and the plug-in publishes. Encoding what was decoded changes no word.
  std::array<WordTable, kConfigTableCount> Encode() const;

  // Changes with knock-on effects; the values that follow from others are made here, never
  // by a page.

  /// Banks the ECU cannot manage for the cylinders are no setting of the dialog's.
  void DropBanksNotAllowed();
  /// The TDC angles of `cylinders` (at most twelve) spread evenly over the cycle, 0 past
  /// them.
  static std::array<uint16_t, kMaxCylinders> RegularAngles(uint32_t cylinders);
  /// Whether the record's cylinders fire at the regular angles.
  bool AnglesAreRegular() const;
  /// Regular TDC angles for `cylinders`.
  void SetRegularAngles(uint32_t cylinders);
  /// A new number of cylinders fires them at regular angles, all on bank 1; the same number
  /// changes nothing.
  void SetCylinders(uint16_t cylinders);
  /// The flywheel word and the synchronisation RPM, with the four flywheel tables and the
  /// generator's SyncTable words built for them and the number of cylinders, and the mark
  /// tooth following the flywheel. False, and nothing changed, when the generator refuses
  /// that flywheel.
  bool SetFlywheel(uint16_t flywheelWord, uint16_t minRpm);
  /// The same words without the tables, for a configuration the rules will refuse anyway.
  void StoreFlywheelSettings(uint16_t flywheelWord, uint16_t minRpm);
  /// The phase settings of `phases` (type, camshafts, marks and start teeth). A main phase
  /// measured on a camshaft gets its mark tooth, which then follows every flywheel stored;
  /// one without keeps the stored mark tooth.
  void SetPhases(const SyncRecord& phases, bool onCamshaft);

  EngineRecord engine;
  SyncRecord sync;
  /// Read only: what the ECU allows, as the pages read it and as the rules read it.
  CapabilityRecord caps;
  EcuCapabilities capTables;
  SensorFacts sensors;
  /// Set from InjectionCaps word 3 and before each run of the rules, raised by the ignition
  /// page and the ignition rules, read by the injection rules.
  int32_t injectionChannelCount = 0;
  /// The machine's tables as opened, ConfigTableIndex order, with the flywheel tables and
  /// the generator's SyncTable words as the model last built them; the records are encoded
  /// over the engine and sync tables.
  std::array<WordTable, kConfigTableCount> tables;

 private:
  void FollowFlywheel();
  /// The main phase is measured on a camshaft: its mark tooth follows the flywheel.
  bool markToothFollows_ = false;
};

}  // namespace vantel
