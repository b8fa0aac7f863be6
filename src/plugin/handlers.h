#pragma once
// The bodies of the exports: each takes the machine's context and the host's text.
#include <array>
#include <cstdint>
#include <string>

#include "ui/machine_context.h"

namespace vantel {

class CVantelApp;

void OpenConfiguration(int64_t index, CVantelApp& app, const std::string& key);
void CloseConfiguration(MachineContext& context, const std::string& key);
void SaveCheck(MachineContext& context, const std::string& key);
void OnValueChanged(MachineContext& context, const std::string& item);
void OnSensorsChanged(MachineContext& context, const std::string& item);
void OnCommandStatusChanged(MachineContext& context, const std::string& item);
void StartEditAction(MachineContext& context, const std::string& key);
void EndHostAction(MachineContext& context, const std::string& key);
void OnItemSent(MachineContext& context, const std::string& item);
void OnItemSendError(MachineContext& context, const std::string& item);
void StartMapAction(MachineContext& context, const std::string& key, int rail);
void ConnectionUp(MachineContext& context);

/// What a confirmed dialog leaves: the tables it edited, every one of them. Written to the
/// host where they differ from the machine's, in the sending order, with `tablesDone` kept for
/// the ones that do not, while the action begun as `ticket` runs and was not ended. The one
/// place where a dialog's edits reach the host.
void PublishEdits(MachineContext& context, uint32_t ticket,
                  const std::array<WordTable, kConfigTableCount>& edited);

}  // namespace vantel
