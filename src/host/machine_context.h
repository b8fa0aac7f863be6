#pragma once
// One machine's context: its link to the host, its state, the machine data and the
// configuration tables read from the host, and the windows that belong to it.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/words.h"
#include "vantel/host_abi.h"

namespace vantel {

struct CommandGroup;      // cmdtable/command_group.h
class CSisReport;         // ui/sis_report.h
class CSisCalEmgDialog;   // ui
class CSisCalMapDialog;   // ui

/// What every context needs of the application object: the host's entry.
struct HostApp {
  ActionDllFn hostEntry = nullptr;
};

inline constexpr int kMachineCount = 1024;
inline constexpr int32_t kMaxMachineIndex = 1023;

/// State bits of MachineContext::state.
enum StateBits : int32_t {
  Rejected = 0x01,
  Open = 0x02,
  Busy = 0x04,
  RecheckPending = 0x08,
  ActionRunning = 0x10,
  TablesUpdating = 0x40,
  IgnoreNextChange0 = 0x80,
  IgnoreNextChange1 = 0x100,
};

/// Bits of MachineContext::tablesDone, one per configuration table.
enum TableDoneBits : int32_t {
  kDoneSyncTable = 0x01,
  kDoneToothWindowTable = 0x02,
  kDoneToothAngleTable = 0x04,
  kDoneToothPositionTable = 0x08,
  kDoneRegularToothTable = 0x10,
  kDoneEngineTable = 0x20,
};

/// Indexes of MachineContext::itemNames.
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

/// What the ECU allows.
struct EcuCapabilities {
  WordTable CylinderCaps;
  WordTable PhaseCaps;
  WordTable IgnitionCaps;
  WordTable InjectionCaps;
  WordTable RailMapList;
};

/// ConfigState values.
enum ConfigStateValue : int32_t {
  kConfigNotChecked = -2,
  kConfigUnknownToEcu = -1,
  kConfigIncoherent = 0,
  kConfigCoherent = 1,
};

struct MachineContext {
  MachineContext(HostApp* application, int32_t index);
  ~MachineContext();
  MachineContext(const MachineContext&) = delete;
  MachineContext& operator=(const MachineContext&) = delete;

  HostApp* app;  // not owned
  int32_t machineIndex;
  int32_t wideItemChoice = 0;
  int32_t hostLevel = -1;
  int32_t lstSel = 0, lstSxc = 0, lstSyc = 0, lstPil = 0, lstPid = 0;
  int32_t refreshAllPending = 0;
  int32_t refreshPartPending = 0;
  int32_t deferChecks = 0;
  int32_t state = 0;
  int32_t tablesDone = 0;
  int32_t OptionFlags = 0;
  int32_t InjectionFlags = -1;
  int32_t injectionChannelCount = 0;
  int32_t flywheelTableFlag = 1;
  int32_t auxPhase2SensorAvailable = 0;
  int32_t auxPhase3SensorAvailable = 0;
  std::string openKey;
  std::string actionKey;
  std::string machineName = "Machine";  // UTF-8
  std::array<std::string, kItemNameCount> itemNames;
  int32_t phaseItemId = -1;
  int32_t phaseKnown = 0;
  std::unique_ptr<CSisCalEmgDialog> mainDialog;
  std::unique_ptr<CSisCalMapDialog> mapDialog;
  std::unique_ptr<CSisReport> report;
  int32_t ConfigState = kConfigNotChecked;
  EcuCapabilities caps;
  std::array<WordTable, kConfigTableCount> tables;
  WordTable sensorTable;
  std::map<int32_t, int32_t> SensorMap;
  std::vector<std::unique_ptr<CommandGroup>> groups;
  std::vector<std::unique_ptr<CommandGroup>> scaleEntries;

  bool Has(int32_t bits) const { return (state & bits) != 0; }
  /// Machines 0 to 7 are treated apart: their older layouts are upgraded and their flywheel
  /// tables rewritten automatically, and they are never refreshed on connection or after
  /// sensor changes.
  bool InFirstEightMachines() const { return machineIndex >= 0 && machineIndex <= 7; }
  /// A copy of item name `which`.
  std::string ItemName(int which) const { return itemNames[static_cast<size_t>(which)]; }
  WordTable& Table(int which) { return tables[static_cast<size_t>(which)]; }
  const WordTable& Table(int which) const { return tables[static_cast<size_t>(which)]; }
};

}  // namespace vantel
