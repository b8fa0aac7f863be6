#pragma once
// The engine rules: main phase, auxiliary phases, cylinders and banks, flywheel; and the
// regeneration of the flywheel description tables that follows them on a stored check.
#include <array>
#include <utility>
#include <vector>

#include "cmdtable/ecu_data.h"
#include "config/rule_view.h"

namespace vantel {

struct EngineRuleOutcome {
  /// Main phase, the three auxiliary phases, cylinders and flywheel all sound.
  bool sound = true;
  /// Cylinders and flywheel sound: the flywheel description tables can be generated.
  bool flywheelTablesBuildable = false;
};

/// Every engine rule but the flywheel table regeneration, in order, each broken rule adding
/// its message. The stored check and the dialog check both run this.
EngineRuleOutcome CheckEngineRules(const RuleView& view, ErrorList& errors);

/// The flywheel description tables regenerated from a machine's stored configuration.
struct FlywheelTableRefresh {
  /// False when the generator could not build tables for this configuration.
  bool built = false;
  /// The regenerated tables that differ from the stored ones, in writing order: the
  /// SyncTable first, then the four flywheel description tables.
  std::vector<std::pair<ConfigTableIndex, WordTable>> changed;
};

FlywheelTableRefresh RegenerateFlywheelTables(
    const std::array<WordTable, kConfigTableCount>& stored);

}  // namespace vantel
