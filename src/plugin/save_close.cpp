#include "cmdtable/command_group.h"
#include "host/requests.h"
#include "platform/string_table.h"
#include "plugin/flows.h"
#include "plugin/handlers.h"
#include "res/string_ids.h"
#include "ui/sis_report.h"

namespace vantel {
namespace {

constexpr int32_t kRefreshOnConfigurationBit = 0x2;
constexpr int32_t kRefreshSendMode = 3;
constexpr uint32_t kMaxRefreshedItemId = 0x40000;

void RefreshItem(MachineContext& context, const std::string& item) {
  int32_t itemClass = 0;
  if (!AskInt(context, REQ_ITEM_CLASS, item, itemClass) || itemClass != 0) return;
  int32_t id = 0;
  if (!AskInt(context, REQ_ITEM_ID, item, id) || static_cast<uint32_t>(id) >= kMaxRefreshedItemId)
    return;
  // An attribute the host does not give stays 1: the item is then not refreshed. A refused
  // send has shown its error; the walk goes on with the next item either way.
  int32_t a = 1;
  int32_t b = 1;
  static_cast<void>(AskInt(context, REQ_ITEM_ATTR_23, item, a));
  static_cast<void>(AskInt(context, REQ_ITEM_ATTR_24, item, b));
  if (a == 0 && b == 0) static_cast<void>(SendInt(context, REQ_ITEM_SEND, item, kRefreshSendMode));
}

}  // namespace

bool RefuseSave(MachineContext& context) { return SendInt(context, REQ_SAVE_STATUS, "", -3); }

void SaveCheck(MachineContext& context, const std::string& key) {
  if (key != context.openKey) return;
  if (context.Has(Open)) {
    ReshowReport(context.report.get());
    if (ConfigurationUnusable(context.ConfigState)) RefuseSave(context);
    return;
  }
  if (!context.Has(Rejected)) return;
  if (context.report) {
    ReshowReport(context.report.get());
  } else {
    CreateMachineReport(context);
    FillReport(context.report.get(), LoadString(IDS_MAJOR_ERROR));
  }
  RefuseSave(context);
}

void CloseConfiguration(MachineContext& context, const std::string& key) {
  if (key != context.openKey || !context.Has(Open)) return;
  context.BeginClose(ConfigurationUnusable(context.ConfigState));
  context.report.reset();
  context.groups.clear();
  context.scaleEntries.clear();
  context.EndBusy();
}

void ConnectionUp(MachineContext& context) {
  if (!context.Has(Open) || context.InFirstEightMachines()) return;
  context.InjectionFlags = -1;
  if (context.ConfigState == kConfigCoherent) {
    RefreshByConfiguration(context, false);
  } else {
    context.refreshAllPending = 1;
  }
}

void RefreshByConfiguration(MachineContext& context, bool partial) {
  // Copies: a failed request shows a message, in which the host may close or reopen.
  const WordTable engine = context.Table(kEngineTable);
  const int32_t key = CylinderKey(engine);
  const int32_t optionFlags = context.OptionFlags;
  const CommandGroupList groups = context.groups;
  for (const auto& group : groups) {
    if (!GroupApplies(*group, engine, key, optionFlags)) continue;
    if (partial && (group->CN6 & kRefreshOnConfigurationBit) == 0) continue;
    for (const std::string& item : group->dataItems) RefreshItem(context, item);
  }
  if (!partial) context.refreshAllPending = 0;
  context.refreshPartPending = 0;
}

void RunPendingRefresh(MachineContext& context) {
  if (context.refreshAllPending) {
    RefreshByConfiguration(context, false);
  } else if (context.refreshPartPending) {
    RefreshByConfiguration(context, true);
  }
}

}  // namespace vantel
