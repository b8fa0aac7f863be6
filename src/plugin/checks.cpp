#include "config/check_driver.h"
#include "plugin/flows.h"
#include "ui/sis_report.h"

namespace vantel {

bool CheckAndReport(MachineContext& context) {
  const CheckOutcome outcome = CheckConfiguration(context);
  // Looked up now: a message shown during the check may have let the host close the report.
  FillReport(context.report.get(), outcome.errorText, outcome.findings);
  WriteSummaryWords(context);
  return outcome.coherent;
}

bool CheckOwed(MachineContext& context) {
  if (context.deferChecks != 1) return false;
  context.OweRecheck();
  return true;
}

}  // namespace vantel
