#pragma once
// The rail piloting map scale rules: the scale items chosen for a two-rail injection.
#include "config/engine_record.h"
#include "config/rule_view.h"

namespace vantel {

/// Adds a message per missing or unchosen scale of the rail piloting maps. The messages
/// do not make a configuration incoherent, so there is no result.
void CheckRailMapScales(const RuleView& view, const ItemResolver& resolves, ErrorList& errors);

}  // namespace vantel
