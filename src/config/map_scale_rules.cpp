#include "config/map_scale_rules.h"

#include "res/string_ids.h"

namespace vantel {

void CheckRailMapScales(const RuleView& view, const ItemResolver& resolves, ErrorList& errors) {
  // Rails whose map remains to be checked; a one-rail engine has no rail piloting map.
  uint32_t railsLeft = (Word(view.engineTable, kEngineInjectionWord) & kInjectionTwoRails) ? 1 : 0;

  const size_t entries = RailMapCount(view.railMapList);
  for (size_t i = 0; i < entries; ++i) {
    const int32_t map = RailMapId(view.railMapList, i);
    if (!resolves(map)) {
      if (railsLeft > 0) --railsLeft;
      continue;
    }
    if (railsLeft == 0) continue;

    const uint32_t rail = railsLeft + 1;
    const size_t vertical = RailScaleReferenceWord(i);
    const size_t horizontal = vertical + 2;
    const bool verticalChosen = Word(view.engineTable, vertical) != 0;
    const bool horizontalChosen = Word(view.engineTable, horizontal) != 0;
    if (verticalChosen && !resolves(static_cast<int32_t>(Long(view.engineTable, vertical)))) {
      errors.AddRail(IDS_RAIL_MAP_VERTICAL_MISSING, rail);
    }
    if (horizontalChosen && !resolves(static_cast<int32_t>(Long(view.engineTable, horizontal)))) {
      errors.AddRail(IDS_RAIL_MAP_HORIZONTAL_MISSING, rail);
    }
    if (!verticalChosen && !horizontalChosen) errors.AddRail(IDS_RAIL_MAP_NO_SCALE, rail);
    --railsLeft;
  }
}

}  // namespace vantel
