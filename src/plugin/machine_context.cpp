#include "host/machine_context.h"

#include "cmdtable/command_group.h"
#include "ui/cal_dialogs.h"
#include "ui/sis_report.h"

namespace vantel {

MachineContext::MachineContext(HostApp* application, int32_t index)
    : app(application), machineIndex(index) {}

MachineContext::~MachineContext() = default;

}  // namespace vantel
