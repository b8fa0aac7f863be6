#pragma once
// One machine's context: the host channel, the machine data and the configuration state of
// the layers below, the state of the flows and host actions, and the windows that belong to it.
//
// Re-entry: any call that can show UI (every host request that fails shows a message box, and
// a dialog runs a modal loop) may re-enter any export, which may close the configuration,
// reopen it, or re-read the tables. So nothing holds a reference into the context across such
// a call: a walk over `groups` or `scaleEntries` holds its own copy of the list (the groups
// are shared), the rules run over copies of the tables, and the report is looked up again
// each time it is filled. The context itself lives until the plug-in is unloaded.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "config/configuration_state.h"

namespace vantel {

class CSisReport;
class CSisCalEmgDialog;
class CSisCalMapDialog;

/// Bits of MachineContext::tablesDone, one per configuration table.
enum TableDoneBits : int32_t {
  kDoneSyncTable = 0x01,
  kDoneToothWindowTable = 0x02,
  kDoneToothAngleTable = 0x04,
  kDoneToothPositionTable = 0x08,
  kDoneRegularToothTable = 0x10,
  kDoneEngineTable = 0x20,
};
inline constexpr int32_t kAllTablesDone = 0x3F;

struct TableSend {
  ConfigTableIndex table;
  int32_t doneBit;
};
/// The order the changed tables are written and sent in: the flywheel tables first, so that
/// the engine table never reaches the machine ahead of the flywheel it describes.
inline constexpr TableSend kTableSendOrder[] = {
    {kSyncTable, kDoneSyncTable},
    {kToothWindowTable, kDoneToothWindowTable},
    {kToothAngleTable, kDoneToothAngleTable},
    {kToothPositionTable, kDoneToothPositionTable},
    {kRegularToothTable, kDoneRegularToothTable},
    {kEngineTable, kDoneEngineTable},
};

/// The host action running on a machine (the editing or a map scale dialog, the sending of
/// the changed tables), as the plug-in follows it; ActionRunning in the state bits says
/// whether one runs.
struct ActionState {
  /// The item the host runs the action on, returned to end it; "" when none runs.
  std::string actionKey;
  /// 1 while an action runs: a change notice then only marks the check as owed.
  int32_t deferChecks = 0;
  /// TableDoneBits: nothing (more) to send for the table.
  int32_t tablesDone = 0;
  /// Counts the actions begun, so that a dialog or a sending knows whether the action
  /// running is still its own.
  uint32_t actionSerial = 0;
  /// The plug-in has asked the host to end the running action: nothing more of it may reach
  /// the machine, and only a further report of a sending asks for its end again.
  bool actionEndAsked = false;
  /// The running action has asked the host to send tables: only then can a report of a
  /// sending concern it.
  bool actionSending = false;
};

struct MachineContext : ConfiguredMachine, ActionState {
  MachineContext(HostApp* application, int32_t index);
  ~MachineContext();
  MachineContext(const MachineContext&) = delete;
  MachineContext& operator=(const MachineContext&) = delete;

  int32_t wideItemChoice = 0;
  int32_t hostLevel = -1;
  int32_t lstSel = 0, lstSxc = 0, lstSyc = 0, lstPil = 0, lstPid = 0;
  int32_t refreshAllPending = 0;
  int32_t refreshPartPending = 0;
  std::string openKey;
  /// The running dialogs, owned by the function that runs them; null when none runs.
  CSisCalEmgDialog* mainDialog = nullptr;
  CSisCalMapDialog* mapDialog = nullptr;
  std::unique_ptr<CSisReport> report;

  /// Marks action `key` as running and returns its ticket (the serial it was begun as).
  uint32_t BeginAction(const std::string& key);
  /// Whether the action begun as `ticket` is still the one running and not yet ended by the
  /// plug-in.
  bool IsCurrentAction(uint32_t ticket) const {
    return Has(ActionRunning) && actionSerial == ticket && !actionEndAsked;
  }
  /// Whether the plug-in may ask the host to end the running action now: true once, the
  /// first time, after which the action is ended for the plug-in.
  bool TakeActionEnd();
  /// The host ended the action: none runs any more.
  void FinishAction();
};

}  // namespace vantel
