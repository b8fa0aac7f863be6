#pragma once
// What the coherence rules read: one configuration (the stored tables or the dialog's edited
// copies), the ECU's capabilities and the sensor facts, plus the list their messages go to.
#include <cstdint>
#include <span>
#include <string>

#include "cmdtable/ecu_data.h"
#include "platform/words.h"

namespace vantel {

struct RuleView {
  std::span<const uint16_t> engineTable;
  std::span<const uint16_t> syncTable;
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

/// The messages of the broken rules, each after a line feed, in the order the rules ran.
class ErrorList {
 public:
  void Add(uint32_t messageId);
  /// The message, the number in decimal, then the suffix text (" cylinders", " teeth").
  void Add(uint32_t messageId, uint32_t number, uint32_t suffixId);
  /// A rail map scale message: the text, the rail number, " )".
  void AddRail(uint32_t messageId, uint32_t rail);

  bool empty() const { return text_.empty(); }
  /// The list as shown: the messages joined by line feeds, none before the first.
  std::string Text() const;

 private:
  std::string text_;
};

}  // namespace vantel
