#pragma once
// What the coherence rules read: one configuration (the stored tables or the dialog's edited
// copies), the ECU's capabilities and the sensor facts, plus the list their findings go to.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cmdtable/ecu_data.h"
#include "config/engine_record.h"
#include "config/finding.h"
#include "platform/words.h"

namespace vantel {

struct RuleView {
  std::span<const uint16_t> engineTable;
  std::span<const uint16_t> syncTable;
  /// The two tables as records, decoded once for every rule.
  EngineRecord engine;
  SyncRecord sync;
  std::span<const uint16_t> cylinderCaps;
  std::span<const uint16_t> phaseCaps;
  std::span<const uint16_t> ignitionCaps;
  std::span<const uint16_t> injectionCaps;
  std::span<const uint16_t> railMapList;
  bool auxPhase2SensorAvailable = true;
  bool auxPhase3SensorAvailable = true;
  bool phasePressureSensorPresent = true;
  /// False when the flywheel status list holds a flywheel table the ECU did not accept.
  bool flywheelTableFlag = true;
};

/// The view over a machine's stored tables and capabilities. The view borrows them: it must
/// not outlive a change of the tables, nor be held across a call that can show UI.
RuleView StoredRuleView(const MachineData& data);

/// The view over edited copies; the sensor facts still come from the machine.
RuleView EditedRuleView(const MachineData& data, std::span<const uint16_t> engineTable,
                        std::span<const uint16_t> syncTable, const EcuCapabilities& caps);
/// The same over records the caller already holds, with the tables they were encoded into.
RuleView EditedRuleView(const MachineData& data, std::span<const uint16_t> engineTable,
                        std::span<const uint16_t> syncTable, const EngineRecord& engine,
                        const SyncRecord& sync, const EcuCapabilities& caps);

/// The findings of the broken rules, in the order the rules ran; the report shows each
/// finding's text as its row (or rows).
class ErrorList {
 public:
  /// A new finding of `rule` with message `messageId`; the rule adds what it looked at.
  Finding& Add(uint32_t messageId, std::string_view rule);
  void Add(Finding finding) { findings_.push_back(std::move(finding)); }

  bool empty() const { return findings_.empty(); }
  const std::vector<Finding>& findings() const { return findings_; }
  /// The list as shown: the findings' texts joined by line feeds, none before the first.
  std::string Text() const;

 private:
  std::vector<Finding> findings_;
};

}  // namespace vantel
