#include "findings.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace vantel::host {
namespace {

using enum HostWord;

// What each rule looked at, as a person says it.
struct RuleWords {
  std::string_view rule;
  HostWord subject;
};

constexpr RuleWords kRules[] = {
    {"main-phase-camshaft", kSubjectMainPhaseCamshaft},
    {"main-phase-type", kSubjectMainPhaseType},
    {"main-phase-references", kSubjectMarksPerRevolution},
    {"main-phase-marks", kSubjectMainPhaseMarks},
    {"main-phase-marks-flywheel", kSubjectMarksTheFlywheelHolds},
    {"main-phase-sync-rounds", kSubjectSyncRounds},
    {"phase-pressure-sensor", kSubjectPhasePressureSensor},
    {"main-phase-pressure-pulses", kSubjectPressurePulses},
    {"main-phase-start-tooth", kSubjectMainPhaseFirstTooth},
    {"main-phase-mark-tooth", kSubjectMainPhaseMarkTooth},
    {"aux-phase-sensor", kSubjectAuxPhaseTeeth},
    {"aux-phases-main-phase", kSubjectMainPhaseUnderAuxPhases},
    {"camshaft-shared", kSubjectCamshaftShared},
    {"aux-phase-camshaft", kSubjectAuxPhaseCamshaft},
    {"aux-phase-teeth", kSubjectAuxPhaseTeeth},
    {"aux-phase-start-tooth", kSubjectAuxPhaseFirstTooth},
    {"cylinder-count", kSubjectCylinders},
    {"cylinder-angles-decrease", kSubjectTdcAngle},
    {"first-cylinder", kSubjectFirstCylinder},
    {"cylinder-angles-opposed", kSubjectPairedCylindersAngle},
    {"banks-not-allowed", kSubjectBanks},
    {"banks-cylinder-count", kSubjectCylindersOnTwoBanks},
    {"banks-unequal", kSubjectCylindersOnBank2},
    {"bank-angles-opposed", kSubjectPairedCylindersOfABankAngle},
    {"flywheel-teeth", kSubjectFlywheelTeeth},
    {"flywheel-kind", kSubjectTeethAtEachMark},
    {"main-phase-flywheel", kSubjectMainPhaseOnRegularTeeth},
    {"flywheel-teeth-references", kSubjectFlywheelTeeth},
    {"flywheel-singularity", kSubjectAlternativeSingularity},
    {"flywheel-extra-tooth-teeth", kSubjectFlywheelTeeth},
    {"flywheel-regular-references", kSubjectMarksOnRegularTeeth},
    {"flywheel-tables-not-built", kSubjectFlywheelTablesNotBuilt},
    {"flywheel-tables-stale", kSubjectStoredFlywheelWord},
    {"configuration-layout", kSubjectTableLayout},
    {"flywheel-table-format", kSubjectSizeWord},
    {"ignition-channels", kSubjectStaticIgnitionCylinders},
    {"twin-spark-pulses", kSubjectTwinSparkPulses},
    {"twin-spark-cylinders", kSubjectTwinSparkCylinders},
    {"distributed-ignition-phase", kSubjectDistributedWithoutPhase},
    {"ignition-pulses", kSubjectDistributedCylinders},
    {"distributed-ignition-teeth", kSubjectDistributedTeeth},
    {"ignition-type", kSubjectIgnitionType},
    {"ignition-delay", kSubjectIgnitionDelay},
    {"direct-injection-phase", kSubjectMainPhaseUnderDirectInjection},
    {"injection-channels", kSubjectInjectors},
    {"injection-channels-two-rails", kSubjectInjectorsOnTwoRails},
    {"semi-sequential-one-rail", kSubjectSemiSequentialCylinders},
    {"semi-sequential-banks", kSubjectSemiSequentialBanks},
    {"semi-sequential-two-rails-injectors", kSubjectSemiSequentialTwoRailsInjectors},
    {"semi-sequential-two-rails", kSubjectSemiSequentialTwoRailsCylinders},
    {"peak-and-hold", kSubjectPeakAndHold},
    {"injection-type", kSubjectInjectionType},
    {"rail-map-vertical-scale", kSubjectVerticalScaleItem},
    {"rail-map-horizontal-scale", kSubjectHorizontalScaleItem},
    {"rail-map-no-scale", kSubjectRailMapScale},
};

// What the ECU allows. A bound without words is its limit alone: "one-of" lists them,
// "exactly" follows "the ECU expects".
struct Bound {
  std::string_view name;
  std::optional<HostWord> words;  // {} stands for the limit, {0} and {1} for a range
};

constexpr std::array<Bound, 10> kBounds = {{
    {"at-most", kBoundAtMost},
    {"at-least", kBoundAtLeast},
    {"between", kBoundBetween},
    {"even-between", kBoundEvenBetween},
    {"one-of", std::nullopt},
    {"exactly", std::nullopt},
    {"other-than", kBoundOtherThan},
    {"even", kBoundEven},
    {"multiple-of", kBoundMultipleOf},
    {"different", kBoundCamshaftEach},
}};

std::string Replace(std::string text, std::string_view mark, const std::string& value) {
  const size_t at = text.find(mark);
  if (at != std::string::npos) text.replace(at, mark.size(), value);
  return text;
}

// 1/65536 of the 720° cycle in degrees with two decimals; a difference may be negative.
std::string Degrees(int64_t angle16) {
  const int64_t hundredths = angle16 * 72000 / 65536;
  const int64_t magnitude = std::llabs(hundredths);
  char text[32];
  std::snprintf(text, sizeof text, "%s%lld.%02lld°", hundredths < 0 ? "-" : "",
                static_cast<long long>(magnitude / 100), static_cast<long long>(magnitude % 100));
  return text;
}

std::string Value(int64_t value, std::string_view unit, HostLanguage language) {
  if (unit == "us") return std::to_string(value) + " µs";
  if (unit == "tooth") return Say(kToothNumbered, language, {std::to_string(value)});
  if (unit == "angle16") return Degrees(value);
  if (unit == "bank") return Say(kBankNumbered, language, {std::to_string(value)});
  if (unit == "bits") return Hex(value, 4);
  if (unit == "item") return Hex(value, 8);
  if (unit == "flywheel-kind") return (value > 0 ? "+" : "") + std::to_string(value);
  if (unit == "camshaft")
    return std::string(In(CamshaftWord(value).value_or(kCamshaftUnknownToTheEcu), language));
  if (unit == "phase-type")
    if (const std::optional<HostWord> type = PhaseTypeWord(value))
      return std::string(In(*type, language));
  return std::to_string(value);
}

std::string Limits(const Json& finding, HostLanguage language) {
  const std::string bound = finding.value("bound", "none");
  const std::string unit = finding.value("unit", "count");
  const Json limit = finding.value("limit", Json());
  auto value = [&](const Json& v) {
    return v.is_number_integer() ? Value(v.get<int64_t>(), unit, language) : std::string("?");
  };
  for (const Bound& entry : kBounds) {
    if (entry.name != bound) continue;
    std::string text = entry.words ? std::string(In(*entry.words, language)) : "{}";
    if (bound == "one-of") {
      std::string list;
      for (const Json& v : limit) list += (list.empty() ? "" : ", ") + value(v);
      return list.empty() ? std::string(In(kNone, language)) : list;
    }
    if (limit.is_array() && limit.size() == 2)
      return Replace(Replace(text, "{0}", value(limit[0])), "{1}", value(limit[1]));
    return limit.is_null() ? text : Replace(text, "{}", value(limit));
  }
  return {};
}

}  // namespace

std::string FindingInWords(const Json& finding, HostLanguage language) {
  if (!finding.is_object()) return {};
  const std::string rule = finding.value("rule", "");
  std::string text = rule;
  for (const RuleWords& entry : kRules)
    if (entry.rule == rule) text = In(entry.subject, language);

  const std::string bound = finding.value("bound", "none");
  const std::string unit = finding.value("unit", "count");
  const bool found = finding.contains("found") && finding["found"].is_number_integer();
  if (found)
    text = Say(kColon, language, {text, Value(finding["found"].get<int64_t>(), unit, language)});
  if (bound == "present") {
    // A sensor or an item the configuration needs: what is missing, not a limit.
    if (!found) {
      text = rule == "phase-pressure-sensor"
                 ? Say(kMissing, language, {text})
                 : Say(kColon, language, {text, std::string(In(kNoneChosen, language))});
    } else {
      text = Say(unit == "item" ? kUnknownToTheHost : kItsSensorMissing, language, {text});
    }
  } else if (bound != "none") {
    text = Say(bound == "exactly" ? kTheEcuExpects : kTheEcuAllows, language,
               {text, Limits(finding, language)});
  }

  // The words grouped by table, in the order the rule read them.
  std::vector<std::pair<std::string, std::vector<int>>> tables;
  for (const Json& word : finding.value("words", Json::array())) {
    // A configuration table with the item that holds it: "EngineTable TAB_CNFENG_0".
    const std::string item = word.value("item", "");
    const std::string table = word.value("table", "?") + (item.empty() ? "" : " " + item);
    auto held = std::find_if(tables.begin(), tables.end(),
                             [&](const auto& entry) { return entry.first == table; });
    if (held == tables.end()) held = tables.insert(tables.end(), {table, {}});
    held->second.push_back(word.value("word", 0));
  }
  std::string where;
  for (const auto& [table, words] : tables) {
    std::string numbers;
    for (int number : words) numbers += (numbers.empty() ? "" : ", ") + std::to_string(number);
    where += (where.empty() ? "" : "; ") +
             Say(words.size() == 1 ? kTableWord : kTableWords, language, {table, numbers});
  }
  if (!where.empty()) text += " (" + where + ")";
  return text;
}

Json RowFindingsJson(const Json& findings, size_t row, HostLanguage language) {
  Json out = Json::array();
  if (!findings.is_array() || row >= findings.size() || !findings[row].is_object()) return out;
  Json finding = findings[row];
  finding["text"] = FindingInWords(finding, language);
  out.push_back(std::move(finding));
  return out;
}

bool LastRowOfItsFinding(const Json& findings, size_t row) {
  if (!findings.is_array() || row >= findings.size() || !findings[row].is_object()) return false;
  if (row + 1 >= findings.size() || !findings[row + 1].is_object()) return true;
  return findings[row + 1].value("index", -1) != findings[row].value("index", -1);
}

}  // namespace vantel::host
