#include "ui/machine_context.h"

#include "ui/sis_report.h"

namespace vantel {

MachineContext::MachineContext(HostApp* application, int32_t index)
    : ConfiguredMachine(application, index) {}

MachineContext::~MachineContext() = default;

}  // namespace vantel
