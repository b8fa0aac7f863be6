#include "plugin/handlers.h"
#include "plugin/vantel_app.h"

namespace vantel {

// The open, save, close and notification flows, and the host actions, come next.
void OpenConfiguration(int64_t, CVantelApp&, const std::string&) {}
void CloseConfiguration(MachineContext&, const std::string&) {}
void SaveCheck(MachineContext&, const std::string&) {}
void OnValueChanged(MachineContext&, const std::string&) {}
void OnSensorsChanged(MachineContext&, const std::string&) {}
void OnCommandStatusChanged(MachineContext&, const std::string&) {}
void StartEditAction(MachineContext&, const std::string&) {}
void EndHostAction(MachineContext&, const std::string&) {}
void OnItemSent(MachineContext&, const std::string&) {}
void OnItemSendError(MachineContext&, const std::string&) {}
void StartMapAction(MachineContext&, const std::string&, int) {}
void ConnectionUp(MachineContext&) {}

}  // namespace vantel
