#pragma once
// The injection rules: injection type, rails and peak-and-hold mode against the ECU's
// injection channels.
#include <cstdint>

#include "config/rule_view.h"

namespace vantel {

/// Adds a message per broken injection rule and returns true when none broke.
/// `injectionChannelCount` is the count the ignition rules left.
bool CheckInjectionRules(const RuleView& view, int32_t injectionChannelCount, ErrorList& errors);

}  // namespace vantel
