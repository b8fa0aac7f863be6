#include "findings.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

namespace vantel::host {
namespace {

// What each rule looked at, as a person says it.
struct RuleWords {
  std::string_view rule;
  HostText subject;
};

constexpr RuleWords kRules[] = {
    {"main-phase-camshaft", {"main phase camshaft", "arbre à cames de la phase principale"}},
    {"main-phase-type", {"main phase type", "type de phase principale"}},
    {"main-phase-references",
     {"marks a revolution for this main phase type", "repères par tour pour ce type de phase"}},
    {"main-phase-marks", {"main phase marks", "repères de la phase principale"}},
    {"main-phase-marks-flywheel",
     {"camshaft marks the flywheel has room for", "repères d'arbre à cames que le volant permet"}},
    {"main-phase-sync-rounds", {"synchronization rounds", "tours de synchronisation"}},
    {"phase-pressure-sensor", {"phase pressure sensor", "capteur de pression de phase"}},
    {"main-phase-pressure-pulses", {"pressure pulses a cycle", "impulsions de pression par cycle"}},
    {"main-phase-start-tooth", {"main phase first tooth", "première dent de la phase principale"}},
    {"main-phase-mark-tooth", {"main phase mark tooth", "dent du repère de phase principale"}},
    {"aux-phase-sensor",
     {"auxiliary phase camshaft teeth", "dents d'arbre à cames de la phase auxiliaire"}},
    {"aux-phases-main-phase",
     {"main phase type under the auxiliary phases",
      "type de phase principale sous les phases auxiliaires"}},
    {"camshaft-shared", {"camshaft used twice", "arbre à cames utilisé deux fois"}},
    {"aux-phase-camshaft", {"auxiliary phase camshaft", "arbre à cames de la phase auxiliaire"}},
    {"aux-phase-teeth",
     {"auxiliary phase camshaft teeth", "dents d'arbre à cames de la phase auxiliaire"}},
    {"aux-phase-start-tooth",
     {"auxiliary phase first tooth", "première dent de la phase auxiliaire"}},
    {"cylinder-count", {"cylinders", "cylindres"}},
    {"cylinder-angles-decrease", {"TDC angle", "angle du PMH"}},
    {"first-cylinder", {"first cylinder", "premier cylindre"}},
    {"cylinder-angles-opposed",
     {"angle between paired cylinders", "angle entre cylindres appariés"}},
    {"banks-not-allowed", {"cylinder banks", "bancs de cylindres"}},
    {"banks-cylinder-count", {"cylinders on two banks", "cylindres sur deux bancs"}},
    {"banks-unequal", {"cylinders on bank 2", "cylindres sur le banc 2"}},
    {"bank-angles-opposed",
     {"angle between paired cylinders of a bank", "angle entre cylindres appariés d'un banc"}},
    {"flywheel-teeth", {"flywheel teeth", "dents du volant"}},
    {"flywheel-kind", {"teeth at each mark", "dents à chaque repère"}},
    {"main-phase-flywheel",
     {"main phase type on a wheel of regular teeth",
      "type de phase principale sur un volant à dents régulières"}},
    {"flywheel-teeth-references", {"flywheel teeth", "dents du volant"}},
    {"flywheel-singularity",
     {"flywheel for the alternative singularity", "volant pour la singularité alternative"}},
    {"flywheel-extra-tooth-teeth", {"flywheel teeth", "dents du volant"}},
    {"flywheel-regular-references",
     {"marks a revolution on regular teeth", "repères par tour sur dents régulières"}},
    {"flywheel-tables-not-built",
     {"flywheel tables, which cannot be built for this flywheel and these cylinders",
      "tables volant, impossibles à construire pour ce volant et ces cylindres"}},
    {"flywheel-tables-stale", {"stored flywheel table word", "mot stocké de la table volant"}},
    {"configuration-layout", {"table layout", "format de la table"}},
    {"flywheel-table-format", {"size word", "mot de taille"}},
    {"ignition-channels", {"cylinders on static ignition", "cylindres en allumage statique"}},
    {"twin-spark-pulses",
     {"ignition pulses of a twin spark", "impulsions d'un allumage jumostatique"}},
    {"twin-spark-cylinders",
     {"cylinders on twin spark ignition", "cylindres en allumage jumostatique"}},
    {"distributed-ignition-phase",
     {"cylinders on distributed ignition without phase",
      "cylindres en allumage distribué sans phase"}},
    {"ignition-pulses", {"cylinders on distributed ignition", "cylindres en allumage distribué"}},
    {"distributed-ignition-teeth",
     {"flywheel teeth for distributed ignition", "dents du volant pour l'allumage distribué"}},
    {"ignition-type", {"ignition type", "type d'allumage"}},
    {"ignition-delay", {"ignition delay", "délai d'allumage"}},
    {"direct-injection-phase",
     {"main phase type under direct injection", "type de phase principale sous injection directe"}},
    {"injection-channels", {"injectors", "injecteurs"}},
    {"injection-channels-two-rails", {"injectors on two rails", "injecteurs sur deux rampes"}},
    {"semi-sequential-one-rail",
     {"cylinders on semi-sequential injection", "cylindres en injection semi-séquentielle"}},
    {"semi-sequential-banks",
     {"cylinders on semi-sequential injection with banks",
      "cylindres en injection semi-séquentielle avec bancs"}},
    {"semi-sequential-two-rails-injectors",
     {"injectors on semi-sequential injection on two rails",
      "injecteurs en injection semi-séquentielle sur deux rampes"}},
    {"semi-sequential-two-rails",
     {"cylinders on semi-sequential injection on two rails",
      "cylindres en injection semi-séquentielle sur deux rampes"}},
    {"peak-and-hold", {"peak-and-hold", "peak-and-hold"}},
    {"injection-type", {"injection type", "type d'injection"}},
    {"rail-map-vertical-scale", {"vertical scale item", "donnée d'échelle verticale"}},
    {"rail-map-horizontal-scale", {"horizontal scale item", "donnée d'échelle horizontale"}},
    {"rail-map-no-scale",
     {"scale of the rail piloting map", "échelle de la cartographie de pilotage de rampe"}},
};


constexpr std::array<HostText, 8> kPhaseTypes = {{
    {"no phase", "pas de phase"},
    {"on marks state", "sur état des repères"},
    {"on marks position", "sur position des repères"},
    {"regular teeth", "dents régulières"},
    {"one missing tooth", "une dent manquante"},
    {"one supplementary tooth", "une dent supplémentaire"},
    {"dynamic synchronization", "synchronisation dynamique"},
    {"phase pressure sensor", "capteur de pression de phase"},
}};

struct Phrase {
  std::string_view bound;
  HostText words;  // {} stands for the limit, {0} and {1} for a range
};

constexpr std::array<Phrase, 11> kBounds = {{
    {"at-most", {"at most {}", "au plus {}"}},
    {"at-least", {"at least {}", "au moins {}"}},
    {"between", {"{0} to {1}", "de {0} à {1}"}},
    {"even-between", {"an even number from {0} to {1}", "un nombre pair de {0} à {1}"}},
    {"one-of", {"{}", "{}"}},
    {"exactly", {"{}", "{}"}},  // after "expects"
    {"other-than", {"anything but {}", "tout sauf {}"}},
    {"even", {"an even number", "un nombre pair"}},
    {"multiple-of", {"a multiple of {}", "un multiple de {}"}},
    {"different", {"a camshaft of its own for each phase", "un arbre à cames par phase"}},
    {"present", {"", ""}},
}};

std::string Replace(std::string text, std::string_view mark, const std::string& value) {
  const size_t at = text.find(mark);
  if (at != std::string::npos) text.replace(at, mark.size(), value);
  return text;
}

std::string Hex(int64_t value, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*llX", digits,
                static_cast<unsigned long long>(value) & 0xFFFFFFFFull);
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
  const bool fr = language == HostLanguage::kFrench;
  if (unit == "us") return std::to_string(value) + " µs";
  if (unit == "tooth") return (fr ? "dent " : "tooth ") + std::to_string(value);
  if (unit == "angle16") return Degrees(value);
  if (unit == "bank") return (fr ? "banc " : "bank ") + std::to_string(value);
  if (unit == "bits") return Hex(value, 4);
  if (unit == "item") return Hex(value, 8);
  if (unit == "flywheel-kind") return (value > 0 ? "+" : "") + std::to_string(value);
  if (unit == "camshaft") {
    if (const char* name = CamshaftName(value, language)) return name;
    return fr ? "aucun connu du calculateur" : "none the ECU knows";
  }
  if (unit == "phase-type" && value >= 0 && value < static_cast<int64_t>(kPhaseTypes.size()))
    return In(kPhaseTypes[static_cast<size_t>(value)], language);
  return std::to_string(value);
}

std::string Limits(const Json& finding, HostLanguage language) {
  const std::string bound = finding.value("bound", "none");
  const std::string unit = finding.value("unit", "count");
  const Json limit = finding.value("limit", Json());
  auto value = [&](const Json& v) {
    return v.is_number_integer() ? Value(v.get<int64_t>(), unit, language) : std::string("?");
  };
  for (const Phrase& phrase : kBounds) {
    if (phrase.bound != bound) continue;
    std::string text = In(phrase.words, language);
    if (bound == "one-of") {
      std::string list;
      for (const Json& v : limit) list += (list.empty() ? "" : ", ") + value(v);
      return list.empty() ? (language == HostLanguage::kFrench ? "aucun" : "none") : list;
    }
    if (limit.is_array() && limit.size() == 2)
      return Replace(Replace(text, "{0}", value(limit[0])), "{1}", value(limit[1]));
    return limit.is_null() ? text : Replace(text, "{}", value(limit));
  }
  return {};
}

}  // namespace

HostLanguage HostLanguageOf(int32_t lcid) {
  return lcid == 1036 ? HostLanguage::kFrench : HostLanguage::kEnglish;
}

const char* CamshaftName(int64_t code, HostLanguage language) {
  static constexpr std::array<HostText, 4> kCamshafts = {{
      {"intake bank 1", "admission banc 1"},
      {"exhaust bank 1", "échappement banc 1"},
      {"intake bank 2", "admission banc 2"},
      {"exhaust bank 2", "échappement banc 2"},
  }};
  if (code < 0 || code >= static_cast<int64_t>(kCamshafts.size())) return nullptr;
  return In(kCamshafts[static_cast<size_t>(code)], language);
}

Json FindingsApi::Read(const std::string& caption) const {
  if (!findWindow || !reportFindings) return Json::array();
  const VantelUiWindow report = findWindow(caption.c_str());
  if (report == 0) return Json::array();
  char* text = reportFindings(report);
  if (!text) return Json::array();
  Json findings = Json::parse(text, nullptr, false);
  std::free(text);
  return findings.is_array() ? findings : Json::array();
}

std::string FindingInWords(const Json& finding, HostLanguage language) {
  if (!finding.is_object()) return {};
  const bool fr = language == HostLanguage::kFrench;
  const std::string rule = finding.value("rule", "");
  std::string subject = rule;
  for (const RuleWords& entry : kRules)
    if (entry.rule == rule) subject = In(entry.subject, language);

  std::string text = subject;
  const std::string bound = finding.value("bound", "none");
  const std::string unit = finding.value("unit", "count");
  const bool found = finding.contains("found") && finding["found"].is_number_integer();
  const char* colon = fr ? " : " : ": ";
  if (found) text += colon + Value(finding["found"].get<int64_t>(), unit, language);
  if (bound == "present") {
    // A sensor or an item the configuration needs: what is missing, not a limit.
    if (!found) {
      text += rule == "phase-pressure-sensor" ? (fr ? " absent" : " missing")
                                              : colon + std::string(fr ? "aucune" : "none chosen");
    } else {
      text += unit == "item" ? (fr ? ", inconnue de l'hôte" : ", unknown to the host")
                             : (fr ? ", capteur absent" : ", its sensor missing");
    }
  } else if (bound != "none") {
    text += (bound == "exactly" ? (fr ? ", le calculateur attend " : ", the ECU expects ")
                                : (fr ? ", le calculateur admet " : ", the ECU allows ")) +
            Limits(finding, language);
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
    where += (where.empty() ? "" : "; ") + table +
             (words.size() == 1 ? (fr ? " mot " : " word ") : (fr ? " mots " : " words "));
    for (size_t i = 0; i < words.size(); ++i)
      where += (i > 0 ? ", " : "") + std::to_string(words[i]);
  }
  if (!where.empty()) text += " (" + where + ")";
  return text;
}

Json RowFindingsJson(const Json& findings, size_t row) {
  Json out = Json::array();
  if (!findings.is_array() || row >= findings.size() || !findings[row].is_object()) return out;
  Json finding = findings[row];
  finding["text"] = FindingInWords(finding);
  out.push_back(std::move(finding));
  return out;
}

bool LastRowOfItsFinding(const Json& findings, size_t row) {
  if (!findings.is_array() || row >= findings.size() || !findings[row].is_object()) return false;
  if (row + 1 >= findings.size() || !findings[row + 1].is_object()) return true;
  return findings[row + 1].value("index", -1) != findings[row].value("index", -1);
}

}  // namespace vantel::host
