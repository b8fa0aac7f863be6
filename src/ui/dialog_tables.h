#pragma once
// What the configuration dialog edits: its own copies of a machine's six configuration
// tables and five capability tables, and its own injection channel count. The pages read and
// write only this value, through the word accessors the rules use; the machine's tables stay
// untouched until the dialog writes the changed ones back.
#include <cstdint>

#include "cmdtable/ecu_data.h"
#include "config/rule_view.h"

namespace vantel {

struct DialogTables {
  /// Copies of `data`'s tables and capabilities; the channel count from InjectionCaps word 3.
  static DialogTables From(const MachineData& data) {
    DialogTables copy;
    copy.tables = data.tables;
    copy.caps = data.caps;
    copy.injectionChannelCount = Word(data.caps.InjectionCaps, 3);
    return copy;
  }

  WordTable& Table(int which) { return tables[static_cast<size_t>(which)]; }
  const WordTable& Table(int which) const { return tables[static_cast<size_t>(which)]; }
  WordTable& Engine() { return Table(kEngineTable); }
  const WordTable& Engine() const { return Table(kEngineTable); }
  WordTable& Sync() { return Table(kSyncTable); }
  const WordTable& Sync() const { return Table(kSyncTable); }

  /// The rules' view over the copies; the sensor facts are the machine's. Borrows both.
  RuleView View(const MachineData& machine) const {
    return EditedRuleView(machine, Engine(), Sync(), caps);
  }

  /// ConfigTableIndex order, as MachineData::tables.
  std::array<WordTable, kConfigTableCount> tables;
  /// Read only: what the ECU allows.
  EcuCapabilities caps;
  /// Set from InjectionCaps word 3 and before each run of the rules, raised by the ignition
  /// page and the ignition rules, read by the injection rules.
  int32_t injectionChannelCount = 0;
};

}  // namespace vantel
