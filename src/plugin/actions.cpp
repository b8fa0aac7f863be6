// The host actions: the editing and map-scale dialogs, the sending of the changed tables,
// and the end of an action from either side.
//
// A dialog runs a modal loop in which the host may call any export, a second start and the
// end of this very action included; the state bits decide what each does, and the function
// that runs a dialog owns it, so nothing the host does can destroy it under the loop.
#include <array>
#include <memory>

#include "host/requests.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "plugin/flows.h"
#include "plugin/handlers.h"
#include "plugin/map_scale_items.h"
#include "res/string_ids.h"
#include "ui/cal_emg_dialog.h"
#include "ui/cal_map_dialog.h"

namespace vantel {
namespace {

enum class ActionKind { kMainDialog, kMapDialog };

void ShowActionMessage(MachineContext& context, const std::string& text) {
  ShowMessageBox(context.machineName + "\n" + text, MB_OK | MB_ICONERROR);
}

/// Asks the host to end the running action: after that nothing more of it reaches the
/// machine. The action stays marked running until the host answers with RSTSETEMG.
void EndRunningAction(MachineContext& context) {
  if (context.TakeActionEnd()) EndAction(context, context.actionKey);
}

/// Ends the action begun as `ticket` if it is still the one running: the host may have ended
/// it, or begun another, from a message box meanwhile.
void EndIfStillRunning(MachineContext& context, uint32_t ticket) {
  if (context.IsCurrentAction(ticket)) EndRunningAction(context);
}

/// Whether a report of a sending may concern the running action: once its dialog has
/// closed (it is sending, or was ended towards the host), until the host ends it. While the
/// dialog is open nothing has been sent, so a report cannot be the action's.
bool ReportConcernsAction(const MachineContext& context) {
  return context.Has(ActionRunning) && (context.actionSending || context.actionEndAsked);
}

/// Ends the action begun as `ticket` after a report of its sending, again if it was already
/// ended: each report is answered in full. An action the host ended, or began anew, from a
/// message box meanwhile is not this report's to end.
void EndReportedAction(MachineContext& context, uint32_t ticket) {
  if (!context.Has(ActionRunning) || context.actionSerial != ticket) return;
  static_cast<void>(context.TakeActionEnd());
  EndAction(context, context.actionKey);
}

/// Ends the action towards the host with `message`.
bool RefuseAction(MachineContext& context, uint32_t message) {
  ShowActionMessage(context, LoadString(message));
  EndRunningAction(context);
  return false;
}

bool CheckActionPreconditions(MachineContext& context) {
  for (int table = kEngineTable; table <= kRegularToothTable; ++table) {
    if (ItemUsable(context, context.ItemName(table)) == 0) {
      return RefuseAction(context, IDS_DATA_NOT_RECEIVED);
    }
  }
  if (context.Has(TablesUpdating)) return RefuseAction(context, IDS_TABLES_BEING_UPDATED);
  if (context.ConfigState == kConfigUnknownToEcu) {
    return RefuseAction(context, IDS_COMMAND_TABLE_UNKNOWN);
  }
  return true;
}

/// Asks the host to send the tables not done, then waits for its reports; ends the action
/// at once when there is nothing to send or no machine to send to.
bool CommitAction(MachineContext& context, uint32_t ticket) {
  if (!context.IsCurrentAction(ticket)) return false;
  int32_t connection = 0;
  if (context.tablesDone == kAllTablesDone || context.InFirstEightMachines() ||
      !AskInt(context, REQ_MACHINE_CONNECTION, "", connection) || connection == -1) {
    EndIfStillRunning(context, ticket);
    return true;
  }
  context.actionSending = true;
  for (const TableSend& entry : kTableSendOrder) {
    // The host may end this action (and start another) in a failed send's message box, or
    // report sendings from inside the request: the sends belong to the action confirmed.
    if (!context.IsCurrentAction(ticket)) return false;
    if (context.tablesDone & entry.doneBit) continue;
    if (!SendInt(context, REQ_ITEM_SEND, context.ItemName(entry.table), -1)) {
      EndIfStillRunning(context, ticket);
      return false;
    }
  }
  return true;
}

/// Runs `dialog` modally while `slot` points at it, then ends the action or publishes the
/// dialog's edits (`editsOf` takes them from the dialog) and commits.
template <class DialogClass, class Edits>
bool RunActionDialog(MachineContext& context, DialogClass*(MachineContext::*slot),
                     std::unique_ptr<DialogClass> dialog, Edits editsOf) {
  const uint32_t ticket = context.actionSerial;
  context.*slot = dialog.get();
  const int32_t result = dialog->DoModal();
  // A nested action (after the host ended this one) may have taken the slot meanwhile.
  if (context.*slot == dialog.get()) context.*slot = nullptr;
  const std::array<WordTable, kConfigTableCount> edited = editsOf(*dialog);
  dialog.reset();
  // A dialog that could not open was not confirmed: nothing of it may reach the machine.
  if (result == IDCANCEL || result == -1) {
    if (!context.Has(ActionRunning)) {
      // The host ended it from inside the loop and emptied the key: it is told so again.
      EndAction(context, context.actionKey);
    } else {
      // An action the host began meanwhile is not this dialog's to end.
      EndIfStillRunning(context, ticket);
    }
    return false;
  }
  PublishEdits(context, ticket, edited);
  return CommitAction(context, ticket);
}

bool RunMainDialog(MachineContext& context) {
  const std::string title = LoadString(IDS_MAIN_DIALOG_TITLE) + " " + GetMachineName(context);
  return RunActionDialog(context, &MachineContext::mainDialog,
                         std::make_unique<CSisCalEmgDialog>(0, context, title),
                         [](const CSisCalEmgDialog& dialog) { return dialog.edited(); });
}

bool RunMapDialog(MachineContext& context, int rail) {
  const std::string title =
      LoadString(IDS_MAP_DIALOG_TITLE) + (rail == 0 ? "1) " : "2) ") + GetMachineName(context);
  DialogTables model = DialogTables::From(context);
  HostMapScaleItems items(context);
  return RunActionDialog(context, &MachineContext::mapDialog,
                         std::make_unique<CSisCalMapDialog>(0, items, title, rail, model),
                         [&model](const CSisCalMapDialog&) { return model.Encode(); });
}

void StartAction(MachineContext& context, const std::string& key, ActionKind kind, int rail) {
  if (!context.Has(Open)) {
    ShowActionMessage(context, LoadString(IDS_MAJOR_ERROR));
    EndAction(context, key);
    return;
  }
  if (context.Has(ActionRunning)) {
    ShowActionMessage(context, LoadString(IDS_ACTION_ALREADY_RUNNING));
    // A repeated start of the running action itself ends nothing.
    if (key != context.actionKey) EndAction(context, key);
    return;
  }
  context.BeginAction(key);
  if (!CheckActionPreconditions(context)) return;
  if (kind == ActionKind::kMainDialog) {
    RunMainDialog(context);
  } else {
    RunMapDialog(context, rail);
  }
}

}  // namespace

void PublishEdits(MachineContext& context, uint32_t ticket,
                  const std::array<WordTable, kConfigTableCount>& edited) {
  if (!context.IsCurrentAction(ticket)) return;
  context.tablesDone = 0;
  for (const TableSend& entry : kTableSendOrder) {
    // A host error's message box lets the host end the action (and start another): the
    // writes belong to the action the user confirmed, so they stop with it.
    if (!context.IsCurrentAction(ticket)) return;
    const WordTable& copy = edited[static_cast<size_t>(entry.table)];
    if (copy == context.Table(entry.table)) {
      context.tablesDone |= entry.doneBit;
      continue;
    }
    // Its bit is set when the host confirms the sending; a failure has shown its message.
    static_cast<void>(SendWords(context, REQ_ITEM_WRITE, context.ItemName(entry.table), copy));
  }
  context.deferChecks = 0;
}

void StartEditAction(MachineContext& context, const std::string& key) {
  StartAction(context, key, ActionKind::kMainDialog, 0);
}

void StartMapAction(MachineContext& context, const std::string& key, int rail) {
  StartAction(context, key, ActionKind::kMapDialog, rail == 0 ? 0 : 1);
}

void OnItemSent(MachineContext& context, const std::string& item) {
  if (!ReportConcernsAction(context)) return;
  for (const TableSend& entry : kTableSendOrder) {
    if (item == context.ItemName(entry.table)) context.tablesDone |= entry.doneBit;
  }
  // A report after the last one is answered as it was: the host is told again that the
  // action has ended.
  if (context.tablesDone == kAllTablesDone) EndReportedAction(context, context.actionSerial);
}

void OnItemSendError(MachineContext& context, const std::string& item) {
  if (!ReportConcernsAction(context)) return;
  const uint32_t ticket = context.actionSerial;
  int32_t code = 0;
  if (!AskInt(context, REQ_ITEM_ERROR_CODE, item, code)) {
    EndReportedAction(context, ticket);
    return;
  }
  if (code == 0) return;
  std::string text;
  std::string message = LoadString(IDS_TRANSMISSION_ERROR) + "\n";
  if (AskText(context, REQ_ITEM_ERROR_TEXT, item, text)) message += WidenHostText(text) + "\n";
  ShowActionMessage(context, message + LoadString(IDS_ACTION_ABORTED));
  EndReportedAction(context, ticket);
}

void EndHostAction(MachineContext& context, const std::string& key) {
  if (!context.Has(ActionRunning) || key != context.actionKey) return;
  // They close when control returns to their modal loops, as cancelled.
  if (context.mainDialog) context.mainDialog->EndDialog(IDCANCEL);
  if (context.mapDialog) context.mapDialog->EndDialog(IDCANCEL);
  while (context.TakeOwedRecheck()) {
    if (CheckAndReport(context)) {
      ApplyAvailability(context);
      RunPendingRefresh(context);
    }
  }
  context.FinishAction();
}

}  // namespace vantel
