#include "ui/machine_context.h"

#include "ui/sis_report.h"

namespace vantel {

MachineContext::MachineContext(HostApp* application, int32_t index)
    : ConfiguredMachine(application, index) {}

MachineContext::~MachineContext() = default;

uint32_t MachineContext::BeginAction(const std::string& key) {
  SetActionRunning(true);
  actionKey = key;
  deferChecks = 1;
  actionEndAsked = false;
  actionSending = false;
  return ++actionSerial;
}

bool MachineContext::TakeActionEnd() {
  if (actionEndAsked) return false;
  actionEndAsked = true;
  return true;
}

void MachineContext::FinishAction() {
  static_cast<void>(TakeOwedRecheck());
  SetActionRunning(false);
  deferChecks = 0;
  actionKey.clear();
  actionEndAsked = false;
  actionSending = false;
}

}  // namespace vantel
