#pragma once
// The ignition rules: ignition type and delay against what the ECU can drive.
#include <cstdint>

#include "config/rule_view.h"

namespace vantel {

/// Adds a message per broken ignition rule and returns true when none broke. When the
/// chosen ignition leaves the outputs it shares with the injection free,
/// `injectionChannelCount` is raised to InjectionCaps word 2; the injection rules read it
/// afterwards.
bool CheckIgnitionRules(const RuleView& view, int32_t& injectionChannelCount, ErrorList& errors);

/// The teeth a distributed ignition needs on the flywheel of kind `kind` for `cylinders`.
int DistributedIgnitionTeeth(int kind, int cylinders);

}  // namespace vantel
