#pragma once
// The bodies of the exports: each takes the machine's context and the host's text.
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

}  // namespace vantel
