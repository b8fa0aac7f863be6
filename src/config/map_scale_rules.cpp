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
    const auto mapWord = static_cast<size_t>(1 + 2 * i);  // after the size word
    auto add = [&](uint32_t messageId, std::string_view rule) -> Finding& {
      return errors.Add(messageId, rule).Rail(rail).Word(RuleTable::kRailMapList, mapWord);
    };
    if (verticalChosen && !resolves(static_cast<int32_t>(Long(view.engineTable, vertical)))) {
      add(IDS_RAIL_MAP_VERTICAL_MISSING, "rail-map-vertical-scale")
          .Word(RuleTable::kEngineTable, vertical)
          .Found(Long(view.engineTable, vertical), Unit::kItem)
          .Limit(Bound::kPresent);
    }
    if (horizontalChosen && !resolves(static_cast<int32_t>(Long(view.engineTable, horizontal)))) {
      add(IDS_RAIL_MAP_HORIZONTAL_MISSING, "rail-map-horizontal-scale")
          .Word(RuleTable::kEngineTable, horizontal)
          .Found(Long(view.engineTable, horizontal), Unit::kItem)
          .Limit(Bound::kPresent);
    }
    if (!verticalChosen && !horizontalChosen) {
      add(IDS_RAIL_MAP_NO_SCALE, "rail-map-no-scale")
          .Word(RuleTable::kEngineTable, vertical)
          .Word(RuleTable::kEngineTable, horizontal)
          .Limit(Bound::kPresent);
    }
    --railsLeft;
  }
}

}  // namespace vantel
