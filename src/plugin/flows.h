#pragma once
// The flows the host drives: opening, applying the configuration, saving, closing,
// connection and change notifications.
#include <cstdint>
#include <string>

#include "ui/machine_context.h"

namespace vantel {

struct CommandGroup;

/// Refreshes the name, asks the user level, resets the context and reads the list masks;
/// true only when all five masks are non-zero.
bool ResetForOpen(MachineContext& context);

/// The bit of the cylinder count (1, 2, 3, 4, 5, 6, 8, 10, 12), plus 0x8000 with banks.
int32_t CylinderKey(const WordTable& engineTable);

/// Whether a command-table group applies to the current configuration.
bool GroupApplies(const CommandGroup& group, const WordTable& engineTable, int32_t cylinderKey,
                  int32_t optionFlags);

/// Switches every group's functions, supervisions and data items, then the rail map scales.
void ApplyAvailability(MachineContext& context);
/// Sends the scale references the sensors choose.
void ApplyScaleEntries(MachineContext& context);

/// REQ_SAVE_STATUS with -3.
bool RefuseSave(MachineContext& context);
void RefreshByConfiguration(MachineContext& context, bool partial);
void RunPendingRefresh(MachineContext& context);

/// Checks the stored configuration, shows the messages in the machine's report, then writes
/// the summary words. True when coherent.
bool CheckAndReport(MachineContext& context);
/// While a host action runs, a check is only noted as owed: true when it was.
bool CheckOwed(MachineContext& context);

/// Creates the machine's error report, hidden (open flow and refused save).
void CreateMachineReport(MachineContext& context);

}  // namespace vantel
