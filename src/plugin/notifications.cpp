#include "cmdtable/machine_data.h"
#include "host/requests.h"
#include "plugin/flows.h"
#include "plugin/handlers.h"

namespace vantel {
namespace {

// The host says whether a change concerns the plug-in (attribute 0x40020 non-zero).
bool ChangeConcernsUs(MachineContext& context, const std::string& item) {
  int32_t attribute = 0;
  return AskInt(context, REQ_ITEM_ATTR_20, item, attribute) && attribute != 0;
}

// Consumes the ignore bit of a table the control wrote itself; true when it applied.
bool ConsumeOwnWrite(MachineContext& context, const std::string& item, int32_t bit, int table) {
  if (!context.Has(bit) || item != context.ItemName(table)) return false;
  static_cast<void>(context.TakeOwnChange(bit));
  ReadConfigurationTable(context, context, item);
  return true;
}

}  // namespace

void OnValueChanged(MachineContext& context, const std::string& item) {
  if (!context.Has(Open)) return;
  if (ConsumeOwnWrite(context, item, IgnoreNextChange0, kNameEngineTable)) return;
  if (ConsumeOwnWrite(context, item, IgnoreNextChange1, kNameSyncTable)) return;
  if (!ChangeConcernsUs(context, item)) return;
  if (context.Has(TablesUpdating)) {
    ReadConfigurationTable(context, context, item);
    return;
  }
  if (!ReadConfigurationTable(context, context, item)) return;
  if (CheckOwed(context)) return;
  if (!CheckAndReport(context)) return;
  ApplyAvailability(context);
  RunPendingRefresh(context);
}

void OnSensorsChanged(MachineContext& context, const std::string& item) {
  if (!context.Has(Open) || item != context.ItemName(kNameSensorTable)) return;
  if (!ChangeConcernsUs(context, item)) return;
  if (!ReadSensorList(context, context)) return;
  ApplyScaleEntries(context);
  const bool refreshed = !context.InFirstEightMachines();
  if (CheckOwed(context)) {
    if (refreshed) context.refreshPartPending = 1;
    return;
  }
  if (CheckAndReport(context)) {
    ApplyAvailability(context);
    if (refreshed && context.refreshAllPending == 0) RefreshByConfiguration(context, true);
  } else if (refreshed && context.refreshAllPending == 0) {
    context.refreshPartPending = 1;
  }
}

void OnCommandStatusChanged(MachineContext& context, const std::string& item) {
  if (!context.Has(Open) || item != context.ItemName(kNameFlywheelStatusList)) return;
  if (!ChangeConcernsUs(context, item)) return;
  if (!ReadFlywheelStatusList(context, context)) return;
  if (CheckOwed(context)) return;
  CheckAndReport(context);
}

}  // namespace vantel
