#pragma once
// The homogeneity control: runs the coherence rules over a machine's stored configuration
// (or a dialog's edited copies), publishes the messages and, for the stored configuration,
// the verdict and the summary words the ECU reads.
#include <cstdint>
#include <string>

#include "config/rule_view.h"
#include "host/machine_context.h"

namespace vantel {

/// Upgrades older table layouts (machines 0 to 7), checks that the configuration items
/// exist and are well formed, runs the engine, ignition and injection rules and, when all
/// passed, the rail map scale rules; sets ConfigState, marks the EngineTable item, fills
/// the machine's error report and writes OptionFlags and InjectionFlags. True when the
/// configuration is coherent (ConfigState became 1).
bool CheckConfiguration(MachineContext& context);

/// The same rules over a dialog's edited copies (see EditedRuleView), without upgrades,
/// item or format checks, marks, summary words or flywheel table regeneration.
/// `injectionChannelCount` is the dialog's own count, reset and raised by the rules.
/// `errorText` receives the messages as shown in the error report, which is filled too.
/// True when the engine, ignition and injection rules found nothing; the rail map scale
/// messages are shown but do not fail the check.
bool CheckDialogConfiguration(MachineContext& context, const RuleView& edited,
                              int32_t& injectionChannelCount, std::string& errorText);

}  // namespace vantel
