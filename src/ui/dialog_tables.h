#pragma once
// The configuration dialog's model: its own copies of a machine's six configuration tables
// and five capability tables, the sensor facts its pages need, and its own injection channel
// count. Pages read and edit only this value, through the typed records and the operations
// below; the machine's tables stay untouched until the plug-in publishes the edited ones.
#include <cstdint>

#include "cmdtable/ecu_data.h"
#include "config/capability_record.h"
#include "config/engine_record.h"
#include "config/rule_view.h"

namespace vantel {

/// What the pages need to know of the machine's sensors.
struct SensorFacts {
  /// A sensor for auxiliary phases 2 and 3: without it their settings are not shown.
  bool auxPhase2SensorAvailable = true;
  bool auxPhase3SensorAvailable = true;
};

struct DialogTables {
  /// Copies of `data`'s tables, capabilities and sensor facts; the channel count from
  /// InjectionCaps word 3. Banks the ECU does not allow for the cylinders start cleared.
  static DialogTables From(const MachineData& data);

  WordTable& Table(int which) { return tables[static_cast<size_t>(which)]; }
  const WordTable& Table(int which) const { return tables[static_cast<size_t>(which)]; }
  WordTable& Engine() { return Table(kEngineTable); }
  const WordTable& Engine() const { return Table(kEngineTable); }
  WordTable& Sync() { return Table(kSyncTable); }
  const WordTable& Sync() const { return Table(kSyncTable); }

  /// The engine table as a record, and back: only the words the record holds change.
  EngineRecord ReadEngine() const { return DecodeEngineTable(Engine()); }
  void WriteEngine(const EngineRecord& record) { EncodeEngineTable(record, Engine()); }
  /// The SyncTable's own words as a record, and back; the generator's words stay.
  SyncRecord ReadSync() const { return DecodeSyncTable(Sync()); }
  void WriteSync(const SyncRecord& record) { EncodeSyncTable(record, Sync()); }

  // Changes with knock-on effects.

  /// Regular TDC angles for `cylinders` (at most twelve), the angles past them 0.
  void SetRegularAngles(uint32_t cylinders);
  /// A new number of cylinders fires them at regular angles, all on bank 1; the same number
  /// changes nothing.
  void SetCylinders(uint16_t cylinders);
  /// The flywheel word and the synchronisation RPM, with the four flywheel tables and the
  /// generator's SyncTable words built for them and the number of cylinders. False, and
  /// nothing changed, when the generator refuses that flywheel.
  bool SetFlywheel(uint16_t flywheelWord, uint16_t minRpm);
  /// The same words without the tables, for a configuration the rules will refuse anyway.
  void StoreFlywheelSettings(uint16_t flywheelWord, uint16_t minRpm);

  /// The rules' view over the copies; the sensor facts are the machine's. Borrows both.
  RuleView View(const MachineData& machine) const {
    return EditedRuleView(machine, Engine(), Sync(), capTables);
  }

  /// ConfigTableIndex order, as MachineData::tables.
  std::array<WordTable, kConfigTableCount> tables;
  /// Read only: what the ECU allows, as the pages read it and as the rules read it.
  CapabilityRecord caps;
  EcuCapabilities capTables;
  SensorFacts sensors;
  /// Set from InjectionCaps word 3 and before each run of the rules, raised by the ignition
  /// page and the ignition rules, read by the injection rules.
  int32_t injectionChannelCount = 0;
};

}  // namespace vantel
