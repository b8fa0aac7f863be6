#pragma once
// What the plug-in knows of one ECU: its capabilities, its configuration tables, the items
// that hold them, its sensors and flywheel status, and its command tables. A plain value,
// filled by the readers of this folder and read by the rules without any host.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cmdtable/command_group.h"
#include "platform/words.h"

namespace vantel {

/// Indexes of MachineData::itemNames.
enum ItemNameIndex : int {
  kNameEngineTable = 0,
  kNameSyncTable,
  kNameToothWindowTable,
  kNameToothAngleTable,
  kNameToothPositionTable,
  kNameRegularToothTable,
  kNameSensorTable,
  kNameFlywheelStatusList,
  kNameOptionFlags,
  kNameInjectionFlags,
  kItemNameCount
};

/// Indexes of the configuration tables (table n is index n - 1).
enum ConfigTableIndex : int {
  kEngineTable = 0,
  kSyncTable,
  kToothWindowTable,
  kToothAngleTable,
  kToothPositionTable,
  kRegularToothTable,
  kConfigTableCount
};

static_assert(static_cast<int>(kEngineTable) == kNameEngineTable &&
                  static_cast<int>(kRegularToothTable) == kNameRegularToothTable,
              "configuration tables and their item names share one order");

/// What the ECU allows.
struct EcuCapabilities {
  WordTable CylinderCaps;
  WordTable PhaseCaps;
  WordTable IgnitionCaps;
  WordTable InjectionCaps;
  WordTable RailMapList;
};

struct MachineData {
  std::array<std::string, kItemNameCount> itemNames;
  int32_t phaseItemId = -1;
  int32_t phaseKnown = 0;
  int32_t flywheelTableFlag = 1;
  int32_t auxPhase2SensorAvailable = 0;
  int32_t auxPhase3SensorAvailable = 0;
  EcuCapabilities caps;
  std::array<WordTable, kConfigTableCount> tables;
  WordTable sensorTable;
  std::map<int32_t, int32_t> SensorMap;
  /// Shared so that a walk over them survives a re-entrant close that drops them.
  CommandGroupList groups;
  CommandGroupList scaleEntries;

  /// What an open learns again from the host: the sensor facts and the capabilities.
  void ResetFacts() {
    phaseItemId = -1;
    phaseKnown = 0;
    flywheelTableFlag = 1;
    auxPhase2SensorAvailable = 0;
    auxPhase3SensorAvailable = 0;
    caps = EcuCapabilities{};
  }

  /// A copy of item name `which`.
  std::string ItemName(int which) const { return itemNames[static_cast<size_t>(which)]; }
  WordTable& Table(int which) { return tables[static_cast<size_t>(which)]; }
  const WordTable& Table(int which) const { return tables[static_cast<size_t>(which)]; }
};

}  // namespace vantel
