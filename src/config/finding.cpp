#include "config/finding.h"

#include "platform/string_table.h"
#include "platform/ui_log.h"

namespace vantel {
namespace {

// Closes the rail number of the map scale messages; no string of its own.
constexpr const char* kRailNumberEnd = " )";

constexpr std::array<std::string_view, kRuleTableCount> kTableNames = {
    "EngineTable",        "SyncTable",         "ToothWindowTable", "ToothAngleTable",
    "ToothPositionTable", "RegularToothTable", "CylinderCaps",     "PhaseCaps",
    "IgnitionCaps",       "InjectionCaps",     "RailMapList"};

constexpr std::array<std::string_view, 11> kUnitNames = {
    "count",         "us",   "tooth", "angle16", "camshaft", "phase-type",
    "flywheel-kind", "bank", "bits",  "item",    "word"};
static_assert(kUnitNames.size() == static_cast<size_t>(Unit::kWord) + 1);

constexpr std::array<std::string_view, 12> kBoundNames = {
    "none",    "at-most",    "at-least", "between",     "even-between", "one-of",
    "exactly", "other-than", "even",     "multiple-of", "different",    "present"};
static_assert(kBoundNames.size() == static_cast<size_t>(Bound::kPresent) + 1);

template <typename Number>
std::string JsonNumbers(std::span<const Number> values) {
  std::string out = "[";
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += ',';
    out += std::to_string(values[i]);
  }
  return out + "]";
}

std::string PhaseName(int phase) {
  return phase == kMainPhaseIndex ? "main" : "aux" + std::to_string(phase);
}

std::string FindingJson(const Finding& f, size_t index, const RuleTableItems& items) {
  std::string out = "{\"index\":" + std::to_string(index) + ",\"rule\":" + JsonString(f.rule) +
                    ",\"message\":" + std::to_string(f.messageId);
  if (f.number) out += ",\"number\":" + std::to_string(*f.number);
  out += ",\"words\":[";
  for (size_t i = 0; i < f.words.size(); ++i) {
    const WordRef& ref = f.words[i];
    const std::string& item = items[static_cast<size_t>(ref.table)];
    out += std::string(i > 0 ? "," : "") + "{\"table\":" + JsonString(RuleTableName(ref.table));
    if (!item.empty()) out += ",\"item\":" + JsonString(item);
    out += ",\"word\":" + std::to_string(ref.word) + "}";
  }
  out += "]";
  if (f.found) out += ",\"found\":" + std::to_string(*f.found);
  out += ",\"unit\":" + JsonString(kUnitNames[static_cast<size_t>(f.unit)]);
  out += ",\"bound\":" + JsonString(kBoundNames[static_cast<size_t>(f.bound)]);
  // A single limit is a number; a range or a set is an array.
  const bool single = f.bound == Bound::kAtMost || f.bound == Bound::kAtLeast ||
                      f.bound == Bound::kExactly || f.bound == Bound::kOtherThan ||
                      f.bound == Bound::kMultipleOf;
  if (single && !f.limits.empty()) {
    out += ",\"limit\":" + std::to_string(f.limits[0]);
  } else if (!single && f.bound != Bound::kNone) {
    out += ",\"limit\":" + JsonNumbers(std::span<const int64_t>(f.limits));
  }
  out += ",\"cylinders\":" + JsonNumbers(std::span<const int>(f.cylinders));
  out += ",\"teeth\":" + JsonNumbers(std::span<const int>(f.teeth));
  std::vector<std::string> phases;
  for (int phase : f.phases) phases.push_back(PhaseName(phase));
  out += ",\"phases\":" + JsonStringArray(phases);
  return out + "}";
}

}  // namespace

std::string_view RuleTableName(RuleTable table) { return kTableNames[static_cast<size_t>(table)]; }

std::string Finding::Text() const {
  std::string text = LoadString(messageId);
  if (!number) return text;
  text += std::to_string(*number);
  text += railNumber ? std::string(kRailNumberEnd) : LoadString(suffixId);
  return text;
}

Finding& Finding::Number(uint32_t value, uint32_t suffix) {
  number = value;
  suffixId = suffix;
  return *this;
}

Finding& Finding::Rail(uint32_t rail) {
  number = rail;
  railNumber = true;
  return *this;
}

Finding& Finding::Word(RuleTable table, size_t word) {
  words.push_back({table, static_cast<uint16_t>(word)});
  return *this;
}

Finding& Finding::Found(int64_t value, Unit valueUnit) {
  found = value;
  unit = valueUnit;
  return *this;
}

Finding& Finding::Limit(Bound kind, std::initializer_list<int64_t> values) {
  return Limit(kind, std::vector<int64_t>(values));
}

Finding& Finding::Limit(Bound kind, std::vector<int64_t> values) {
  bound = kind;
  limits = std::move(values);
  return *this;
}

Finding& Finding::Cylinder(int rank) {
  cylinders.push_back(rank);
  return *this;
}

Finding& Finding::Tooth(int tooth) {
  teeth.push_back(tooth);
  return *this;
}

Finding& Finding::Phase(int phase) {
  phases.push_back(phase);
  return *this;
}

std::string FindingsJson(std::span<const Finding> findings, const RuleTableItems& items) {
  std::string out = "[";
  for (size_t i = 0; i < findings.size(); ++i) {
    const std::string object = FindingJson(findings[i], i, items);
    const std::string text = findings[i].Text();
    // One entry per row the finding fills.
    size_t rows = 1;
    for (char c : text) rows += c == '\n' ? 1 : 0;
    for (size_t row = 0; row < rows; ++row) out += (out.size() > 1 ? "," : "") + object;
  }
  return out + "]";
}

}  // namespace vantel
