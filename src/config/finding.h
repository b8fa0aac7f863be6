#pragma once
// A finding: one broken coherence rule as a value. The report row is made from it (the
// message, then its number and suffix), and beside the row a host can read what the rule
// looked at: the table words, the value found and the limit the ECU gives.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantel {

/// The tables a rule reads: the six configuration tables (ConfigTableIndex order), then the
/// ECU's capability tables.
enum class RuleTable : uint8_t {
  kEngineTable,
  kSyncTable,
  kToothWindowTable,
  kToothAngleTable,
  kToothPositionTable,
  kRegularToothTable,
  kCylinderCaps,
  kPhaseCaps,
  kIgnitionCaps,
  kInjectionCaps,
  kRailMapList,
};
inline constexpr size_t kRuleTableCount = 11;

/// "EngineTable", "CylinderCaps", ...
std::string_view RuleTableName(RuleTable table);

struct WordRef {
  RuleTable table;
  uint16_t word;
  bool operator==(const WordRef&) const = default;
};

/// What `found` and the limits count. Counts (cylinders, teeth, marks) have no unit: the
/// rule says what it counts.
enum class Unit : uint8_t {
  kCount,
  kMicroseconds,
  kTooth,     // a tooth index of the cycle
  kAngle16,   // 1/65536 of the 720° cycle
  kCamshaft,  // a camshaft code
  kPhaseType,
  kFlywheelKind,  // teeth added (+) or removed (-) at each mark
  kBank,
  kBits,  // a bit mask of EngineTable word 7, 20 or 21
  kItem,  // an item identifier
  kWord,  // a table word as it is
};

/// How the value found must stand to the limits for the rule to pass.
enum class Bound : uint8_t {
  kNone,         // the rule names no limit (a sensor, an item the host must know)
  kAtMost,       // limits[0]
  kAtLeast,      // limits[0]
  kBetween,      // limits[0] to limits[1]
  kEvenBetween,  // an even number from limits[0] to limits[1]
  kOneOf,        // one of limits (none: nothing is allowed)
  kExactly,      // limits[0]
  kOtherThan,    // anything but limits[0]
  kEven,
  kMultipleOf,  // limits[0]
  kDifferent,   // every phase on a camshaft of its own
  kPresent,     // a sensor or an item that the configuration needs
};

/// The phases a finding concerns: the main phase, then auxiliary phases 1 to 3.
inline constexpr int kMainPhaseIndex = 0;

struct Finding {
  Finding() = default;
  Finding(uint32_t messageId, std::string_view rule) : messageId(messageId), rule(rule) {}

  // The row, as the report shows it.
  uint32_t messageId = 0;
  std::optional<uint32_t> number;  // written after the message, in decimal
  uint32_t suffixId = 0;           // the text after the number (0: none)
  bool railNumber = false;         // the number is a rail, closed by " )"

  // What the rule looked at.
  std::string_view rule;  // a stable name: "ignition-delay", "cylinder-count", ...
  std::vector<WordRef> words;
  std::optional<int64_t> found;
  Unit unit = Unit::kCount;
  Bound bound = Bound::kNone;
  std::vector<int64_t> limits;
  std::vector<int> cylinders;  // ranks in firing order, from 1
  std::vector<int> teeth;      // tooth indexes of the cycle
  std::vector<int> phases;     // kMainPhaseIndex, or auxiliary phase 1 to 3

  /// The row: the message, then the number and its suffix.
  std::string Text() const;

  Finding& Number(uint32_t value, uint32_t suffix);
  Finding& Rail(uint32_t rail);
  Finding& Word(RuleTable table, size_t word);
  Finding& Found(int64_t value, Unit valueUnit = Unit::kCount);
  Finding& Limit(Bound kind, std::initializer_list<int64_t> values = {});
  Finding& Limit(Bound kind, std::vector<int64_t> values);
  Finding& Cylinder(int rank);
  Finding& Tooth(int tooth);
  Finding& Phase(int phase);
};

/// The item names of the rule tables, for the JSON form ("" where a table has none).
using RuleTableItems = std::array<std::string, kRuleTableCount>;

/// One JSON object per report row, in row order: a finding whose text holds line feeds
/// fills several rows, each with the finding and its `index` in the list.
std::string FindingsJson(std::span<const Finding> findings, const RuleTableItems& items);

}  // namespace vantel
