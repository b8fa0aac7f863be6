#include "config/record_upgrade.h"

#include "host/requests.h"

namespace vantel {
namespace {

bool MayUpgrade(ConfiguredMachine& machine, int nameIndex) {
  if (!machine.InFirstEightMachines()) return false;
  return ItemUsable(machine, machine.ItemName(nameIndex)) != 0;
}

bool WriteUpgraded(ConfiguredMachine& machine, int nameIndex, int tableIndex, int32_t ignoreBit,
                   WordTable upgraded) {
  machine.ExpectOwnChange(ignoreBit);
  if (!SendWords(machine, REQ_ITEM_WRITE, machine.ItemName(nameIndex), upgraded)) {
    machine.ForgetOwnChange(ignoreBit);
    return false;
  }
  // The same run checks the layout the host now holds.
  machine.Table(tableIndex) = std::move(upgraded);
  return true;
}

}  // namespace

bool UpgradeEngineTable(ConfiguredMachine& machine, const ItemResolver& resolves) {
  if (!MayUpgrade(machine, kNameEngineTable)) return false;
  // A copy: the resolver asks the host.
  const WordTable stored = machine.Table(kEngineTable);
  if (!IsOldEngineTable(stored)) return false;
  return WriteUpgraded(machine, kNameEngineTable, kEngineTable, IgnoreNextChange0,
                       UpgradeEngineLayout(stored, resolves));
}

bool UpgradeSyncTable(ConfiguredMachine& machine) {
  if (!MayUpgrade(machine, kNameSyncTable)) return false;
  WordTable old = machine.Table(kSyncTable);
  if (IsShortOldSyncTable(old)) old = ExtendShortSyncLayout(old);
  if (!IsOldSyncTable(old)) return false;
  return WriteUpgraded(machine, kNameSyncTable, kSyncTable, IgnoreNextChange1,
                       UpgradeSyncLayout(old));
}

}  // namespace vantel
