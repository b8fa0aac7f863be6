#pragma once
// The homogeneity control: runs the coherence rules over a machine's stored configuration
// (or a dialog's edited copies) and gives the verdict and the messages; for the stored
// configuration it also keeps the verdict and the summary words the ECU reads.
#include <cstdint>
#include <string>
#include <vector>

#include "config/configuration_state.h"
#include "config/rule_view.h"

namespace vantel {

struct CheckOutcome {
  bool coherent = false;
  /// The messages as the error report shows them (empty: nothing to show).
  std::string errorText;
  /// The broken rules behind the text, in its order.
  std::vector<Finding> findings;
};

/// Upgrades older table layouts (machines 0 to 7), checks that the configuration items
/// exist and are well formed, runs the engine, ignition and injection rules and, when all
/// passed, the rail map scale rules; sets ConfigState and marks the EngineTable item.
/// Coherent when ConfigState became 1. The caller shows the text, then writes the summary
/// words.
CheckOutcome CheckConfiguration(ConfiguredMachine& machine);

/// Writes OptionFlags, and InjectionFlags when they changed, from the last verdict.
void WriteSummaryWords(ConfiguredMachine& machine);

/// The same rules over a dialog's edited copies (see EditedRuleView), without upgrades,
/// item or format checks, marks, summary words or flywheel table regeneration.
/// `injectionChannelCount` is the dialog's own count, reset and raised by the rules.
/// Coherent when the engine, ignition and injection rules found nothing; the rail map scale
/// messages are in the text but do not fail the check.
CheckOutcome CheckDialogConfiguration(HostChannel& host, const RuleView& edited,
                                      int32_t& injectionChannelCount);

}  // namespace vantel
