#pragma once
// The upgrade of the older EngineTable and SyncTable layouts of a machine's Kalbrix: the
// new table is written to the host and, once the host took it, replaces the machine's copy.
#include "config/configuration_state.h"
#include "config/engine_record.h"

namespace vantel {

/// Machines 0 to 7 only, and only when the EngineTable item is usable: a 22-word table is
/// rebuilt in the current layout and written with IgnoreNextChange0 set, so that the host's
/// echo of the write does not run a check. Returns true when the upgraded table was written.
/// On a failed write the host error is shown, the machine keeps its table and the bit is
/// cleared again (no echo will come to clear it).
bool UpgradeEngineTable(ConfiguredMachine& machine, const ItemResolver& resolves);

/// The same for the SyncTable (an 18-word table is first extended to 20 words), with
/// IgnoreNextChange1.
bool UpgradeSyncTable(ConfiguredMachine& machine);

}  // namespace vantel
