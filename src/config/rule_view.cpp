#include "config/rule_view.h"

namespace vantel {

RuleView StoredRuleView(const MachineData& data) {
  return EditedRuleView(data, data.Table(kEngineTable), data.Table(kSyncTable), data.caps);
}

RuleView EditedRuleView(const MachineData& data, std::span<const uint16_t> engineTable,
                        std::span<const uint16_t> syncTable, const EcuCapabilities& caps) {
  return EditedRuleView(data, engineTable, syncTable, DecodeEngineTable(engineTable),
                        DecodeSyncTable(syncTable), caps);
}

RuleView EditedRuleView(const MachineData& data, std::span<const uint16_t> engineTable,
                        std::span<const uint16_t> syncTable, const EngineRecord& engine,
                        const SyncRecord& sync, const EcuCapabilities& caps) {
  RuleView view;
  view.engineTable = engineTable;
  view.syncTable = syncTable;
  view.engine = engine;
  view.sync = sync;
  view.cylinderCaps = caps.CylinderCaps;
  view.phaseCaps = caps.PhaseCaps;
  view.ignitionCaps = caps.IgnitionCaps;
  view.injectionCaps = caps.InjectionCaps;
  view.railMapList = caps.RailMapList;
  view.auxPhase2SensorAvailable = data.auxPhase2SensorAvailable != 0;
  view.auxPhase3SensorAvailable = data.auxPhase3SensorAvailable != 0;
  view.phasePressureSensorPresent = data.phaseKnown != 0;
  view.flywheelTableFlag = data.flywheelTableFlag != 0;
  return view;
}

Finding& ErrorList::Add(uint32_t messageId, std::string_view rule) {
  return findings_.emplace_back(messageId, rule);
}

std::string ErrorList::Text() const {
  std::string text;
  for (size_t i = 0; i < findings_.size(); ++i) {
    if (i > 0) text += '\n';
    text += findings_[i].Text();
  }
  return text;
}

}  // namespace vantel
