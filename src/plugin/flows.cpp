#include "plugin/handlers.h"
#include "plugin/vantel_app.h"

namespace vantel {

// The host actions (editing and map-scale dialogs, sending, ending) come with the dialogs.
void StartEditAction(MachineContext&, const std::string&) {}
void EndHostAction(MachineContext&, const std::string&) {}
void OnItemSent(MachineContext&, const std::string&) {}
void OnItemSendError(MachineContext&, const std::string&) {}
void StartMapAction(MachineContext&, const std::string&, int) {}

}  // namespace vantel
