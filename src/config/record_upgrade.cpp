#include "config/record_upgrade.h"

#include "host/requests.h"

namespace vantel {
namespace {


bool MayUpgrade(MachineContext& context, int nameIndex) {
  if (!context.InFirstEightMachines()) return false;
  return ItemUsable(context, context.ItemName(nameIndex)) != 0;
}

bool WriteUpgraded(MachineContext& context, int nameIndex, int tableIndex, int32_t ignoreBit,
                   WordTable upgraded) {
  context.state |= ignoreBit;
  if (!SendWords(context, REQ_ITEM_WRITE, context.ItemName(nameIndex), upgraded)) {
    context.state &= ~ignoreBit;
    return false;
  }
  // The same run checks the layout the host now holds.
  context.Table(tableIndex) = std::move(upgraded);
  return true;
}

}  // namespace

bool UpgradeEngineTable(MachineContext& context, const ItemResolver& resolves) {
  if (!MayUpgrade(context, kNameEngineTable)) return false;
  const WordTable& stored = context.Table(kEngineTable);
  if (!IsOldEngineTable(stored)) return false;
  return WriteUpgraded(context, kNameEngineTable, kEngineTable, IgnoreNextChange0,
                       UpgradeEngineLayout(stored, resolves));
}

bool UpgradeSyncTable(MachineContext& context) {
  if (!MayUpgrade(context, kNameSyncTable)) return false;
  WordTable old = context.Table(kSyncTable);
  if (IsShortOldSyncTable(old)) old = ExtendShortSyncLayout(old);
  if (!IsOldSyncTable(old)) return false;
  return WriteUpgraded(context, kNameSyncTable, kSyncTable, IgnoreNextChange1,
                       UpgradeSyncLayout(old));
}

}  // namespace vantel
