#include "config/rule_view.h"

#include "platform/string_table.h"

namespace vantel {
namespace {

// Closes the rail number of the map scale messages; no string of its own.
constexpr const char* kRailNumberEnd = " )";

}  // namespace

RuleView StoredRuleView(const MachineData& data) {
  return EditedRuleView(data, data.Table(kEngineTable), data.Table(kSyncTable), data.caps);
}

RuleView EditedRuleView(const MachineData& data, std::span<const uint16_t> engineTable,
                        std::span<const uint16_t> syncTable, const EcuCapabilities& caps) {
  RuleView view;
  view.engineTable = engineTable;
  view.syncTable = syncTable;
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

void ErrorList::Add(uint32_t messageId) {
  text_ += '\n';
  text_ += LoadString(messageId);
}

void ErrorList::Add(uint32_t messageId, uint32_t number, uint32_t suffixId) {
  Add(messageId);
  text_ += std::to_string(number);
  text_ += LoadString(suffixId);
}

void ErrorList::AddRail(uint32_t messageId, uint32_t rail) {
  Add(messageId);
  text_ += std::to_string(rail);
  text_ += kRailNumberEnd;
}

std::string ErrorList::Text() const { return empty() ? std::string() : text_.substr(1); }

}  // namespace vantel
