#include "steps.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "vantel/host_text.h"
#include "vocabulary.h"

namespace vantel::host {

namespace {

struct StepWord {
  const char* word;
  StepKind kind;
  bool takesItem;  // "value:ITEM"
  bool needsItem;
};

constexpr std::array<StepWord, 7> kStepWords = {{
    {"save", StepKind::kSave, false, false},
    {"close", StepKind::kClose, false, false},
    {"open", StepKind::kOpen, false, false},
    {"connect", StepKind::kConnect, false, false},
    {"value", StepKind::kValue, true, true},
    {"sensors", StepKind::kSensors, true, false},
    {"status", StepKind::kStatus, true, false},
}};

bool ParseInt(const std::string& text, int64_t low, int64_t high, int64_t* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 0);
  if (*end != '\0' || value < low || value > high) return false;
  *out = value;
  return true;
}

std::optional<Step> ParseSet(const std::string& assignment, std::string* error) {
  const auto equals = assignment.rfind('=');
  if (equals == std::string::npos || equals == 0) {
    *error = "step \"set:" + assignment + "\" needs ITEM=VALUE or ITEM[WORD]=VALUE";
    return std::nullopt;
  }
  Step step{StepKind::kSet, assignment.substr(0, equals), 0, 0, false};
  int64_t value = 0;
  if (!ParseInt(assignment.substr(equals + 1), INT32_MIN, UINT32_MAX, &value)) {
    *error = "step \"set:" + assignment + "\": the value must be a 32-bit integer";
    return std::nullopt;
  }
  step.value = static_cast<int32_t>(static_cast<uint32_t>(value));
  const auto open = step.item.find('[');
  if (open != std::string::npos) {
    int64_t word = 0;
    if (step.item.back() != ']' ||
        !ParseInt(step.item.substr(open + 1, step.item.size() - open - 2), 0, 0xFFFF, &word)) {
      *error = "step \"set:" + assignment + "\": the word index must be a number in brackets";
      return std::nullopt;
    }
    step.item.resize(open);
    step.word = static_cast<size_t>(word);
    step.hasWord = true;
  }
  if (step.item.empty()) {
    *error = "step \"set:" + assignment + "\" names no item";
    return std::nullopt;
  }
  return step;
}

const char* StepTitle(StepKind kind) {
  switch (kind) {
    case StepKind::kOpen:
      return "open (RUNSETEMG)";
    case StepKind::kSave:
      return "save (SAVSETEMG)";
    case StepKind::kClose:
      return "close (CLSSETEMG)";
    case StepKind::kConnect:
      return "connection up (CONSETEMG)";
    case StepKind::kValue:
      return "value changed (VALSETEMG)";
    case StepKind::kSensors:
      return "sensors changed (SENSETEMG)";
    case StepKind::kStatus:
      return "flywheel status changed (CMDSETEMG)";
    case StepKind::kSet:
      return "host sets";
    case StepKind::kEdit:
      return "edit (DEBSETEMG)";
    case StepKind::kMapScaleRail1:
      return "map scale, rail 1 (RM0SETEMG)";
    case StepKind::kMapScaleRail2:
      return "map scale, rail 2 (RM1SETEMG)";
    case StepKind::kItemSent:
      return "item sent (FEMSETEMG)";
    case StepKind::kItemSendError:
      return "item send error (ERRSETEMG)";
    case StepKind::kResetAction:
      return "end of action (RSTSETEMG)";
  }
  return "";
}

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& name : names) out += (out.empty() ? "" : ", ") + name;
  return out;
}

}  // namespace

std::optional<Step> ParseStep(const std::string& text, std::string* error) {
  const auto colon = text.find(':');
  const std::string word = text.substr(0, colon);
  const std::string rest = colon == std::string::npos ? "" : text.substr(colon + 1);
  if (word == "set") {
    if (colon == std::string::npos) {
      *error = "step \"set\" needs ITEM=VALUE or ITEM[WORD]=VALUE";
      return std::nullopt;
    }
    return ParseSet(rest, error);
  }
  for (const auto& entry : kStepWords) {
    if (word != entry.word) continue;
    if (colon != std::string::npos && !entry.takesItem) break;
    if (entry.needsItem && rest.empty()) {
      *error = std::string("step \"") + entry.word + "\" needs an item: " + entry.word + ":ITEM";
      return std::nullopt;
    }
    return Step{entry.kind, rest, 0, 0, false};
  }
  *error = "unknown step \"" + text + "\" (try --help)";
  return std::nullopt;
}

bool StepFitsKalbrix(const Step& step, const Kalbrix& kalbrix, std::string* error) {
  if (const auto why = NotAHostText(step.item)) {
    *error = "step naming \"" + step.item + "\": " + *why;
    return false;
  }
  if (step.kind != StepKind::kSet) return true;
  const KalbrixItem* item = kalbrix.Find(step.item);
  if (!item) {
    *error = "step set: no item \"" + step.item + "\"";
    return false;
  }
  if (step.hasWord) {
    const auto* words = std::get_if<Words>(&item->value);
    if (!words || step.word >= words->size() || step.value < 0 || step.value > 0xFFFF) {
      *error = "step set: \"" + step.item + "\" has no word " + std::to_string(step.word) +
               " that takes " + std::to_string(step.value);
      return false;
    }
    return true;
  }
  if (!std::holds_alternative<int32_t>(item->value)) {
    *error = "step set: \"" + step.item + "\" is not an integer item (use ITEM[WORD]=VALUE)";
    return false;
  }
  return true;
}

StepRunner::StepRunner(Kalbrix& kalbrix, HostService& service, UiEventLog& uiLog,
                       const PluginExports& exports, FILE* out)
    : kalbrix_(kalbrix), service_(service), uiLog_(uiLog), exports_(exports), out_(out) {}

Observation StepRunner::Run(const Step& given) {
  Step step = given;
  if (step.kind == StepKind::kOpen && step.item.empty()) step.item = kalbrix_.descriptor;
  if (step.kind == StepKind::kSensors && step.item.empty())
    step.item = service_.DescriptorItem(kSensorTableElement);
  if (step.kind == StepKind::kStatus && step.item.empty())
    step.item = service_.DescriptorItem(kStatusListElement);
  // The title comes first: what the host prints while the step runs (a dialog's script, the
  // trace) belongs under it.
  PrintTitle(step);
  Play(step);
  const Observation seen = service_.TakeObservation();
  UiEvents events = std::exchange(held_, {});
  UiEvents late = uiLog_.TakeNew();
  TakeReport(late);
  events.reports = std::move(late.reports);
  events.reportShows = std::move(late.reportShows);
  events.messageBoxes.insert(events.messageBoxes.end(), late.messageBoxes.begin(),
                             late.messageBoxes.end());
  Print(seen, events);
  Judge(step, seen);
  if (onSeen) onSeen(seen);
  return seen;
}

void StepRunner::TakeReport(const UiEvents& events) {
  if (events.reports.empty()) return;
  reportRows_.clear();
  const Json& report = events.reports.back();
  for (const Json& row : report.value("rows", Json::array()))
    reportRows_.push_back(row.is_string() ? row.get<std::string>() : "");
  reportWindow_ = report.value("window", VantelUiWindow{0});
  // The report as it is now, which is its last fill.
  reportFindings_ = exports_.findings.Read(report.value("caption", ""));
}

// A modal loop turning is the plug-in waiting for its user: what it shows then is on screen
// before the user's next step, and is printed before it.
bool StepRunner::TakeShownReports() {
  UiEvents events = uiLog_.TakeNew();
  TakeReport(events);
  PrintReport(events);
  held_.messageBoxes.insert(held_.messageBoxes.end(), events.messageBoxes.begin(),
                            events.messageBoxes.end());
  std::fflush(out_);
  return !events.reports.empty();
}

void StepRunner::Play(const Step& step) {
  const uint32_t machine = kalbrix_.machine;
  // Names reach the exports in code page 1252, as the plug-in reads every host text. The
  // file's names were checked when it was read, a step's before the plug-in was loaded.
  const std::string keyText = Utf8ToCp1252(kalbrix_.descriptor).value_or("");
  const std::string itemText = Utf8ToCp1252(step.item).value_or("");
  const char* key = keyText.c_str();
  const char* item = itemText.c_str();
  switch (step.kind) {
    case StepKind::kOpen:
      exports_.run(machine, item);
      break;
    case StepKind::kSave:
      exports_.save(machine, key);
      break;
    case StepKind::kClose:
      exports_.close(machine, key);
      break;
    case StepKind::kConnect:
      exports_.connectionUp(machine, 0);
      break;
    case StepKind::kValue:
      exports_.valueChanged(machine, item);
      break;
    case StepKind::kSensors:
      exports_.sensorsChanged(machine, item);
      break;
    case StepKind::kStatus:
      exports_.statusChanged(machine, item);
      break;
    case StepKind::kSet: {
      KalbrixItem* held = kalbrix_.Find(step.item);
      if (step.hasWord)
        std::get<Words>(held->value)[step.word] = static_cast<uint16_t>(step.value);
      else
        held->value = step.value;
      break;
    }
    case StepKind::kEdit:
      exports_.edit(machine, item);
      break;
    case StepKind::kMapScaleRail1:
      exports_.mapScaleRail1(machine, item);
      break;
    case StepKind::kMapScaleRail2:
      exports_.mapScaleRail2(machine, item);
      break;
    case StepKind::kItemSent:
      exports_.itemSent(machine, item);
      break;
    case StepKind::kItemSendError:
      exports_.itemSendError(machine, item);
      break;
    case StepKind::kResetAction:
      exports_.resetAction(machine, item);
      break;
  }
}

void StepRunner::PrintTitle(const Step& step) {
  std::fprintf(out_, "%s%s", LogLineOpening(LogLineKind::kRequest).data(), StepTitle(step.kind));
  if (step.kind == StepKind::kSet && step.hasWord)
    std::fprintf(out_, " %s[%zu] = %d", step.item.c_str(), step.word, step.value);
  else if (step.kind == StepKind::kSet)
    std::fprintf(out_, " %s = %d", step.item.c_str(), step.value);
  else if (!step.item.empty())
    std::fprintf(out_, " \"%s\"", step.item.c_str());
  std::fprintf(out_, " on machine %u\n", kalbrix_.machine);
  std::fflush(out_);
}

void StepRunner::Print(const Observation& seen, const UiEvents& events) {
  for (const Json& box : events.messageBoxes) {
    std::string text = box.value("text", "");
    for (char& c : text)
      if (c == '\n') c = '|';
    std::fprintf(out_, "message box: %s\n", text.c_str());
  }
  PrintReport(events);

  for (const auto& [item, value] : seen.marks)
    std::fprintf(out_, "mark %d on %s\n", value, item.c_str());

  constexpr std::array<std::pair<char, const char*>, 3> kinds = {
      {{'F', "functions"}, {'S', "supervisions"}, {'D', "data items"}}};
  for (const auto& [kind, label] : kinds) {
    std::vector<std::string> on, off;
    for (const Enable& e : seen.enables)
      if (e.kind == kind) (e.value ? on : off).push_back(e.name);
    if (!on.empty()) std::fprintf(out_, "%s on: %s\n", label, Joined(on).c_str());
    if (!off.empty()) std::fprintf(out_, "%s off: %s\n", label, Joined(off).c_str());
  }

  std::vector<std::string> tables;
  const std::string optionItem = service_.DescriptorItem(kOptionFlagsElement);
  const std::string injectionItem = service_.DescriptorItem(kInjectionFlagsElement);
  for (const auto& name : seen.written)
    if (name != optionItem && name != injectionItem &&
        std::find(tables.begin(), tables.end(), name) == tables.end())
      tables.push_back(name);
  if (!tables.empty()) std::fprintf(out_, "tables rewritten: %s\n", Joined(tables).c_str());
  if (seen.optionFlags) std::fprintf(out_, "option flags: %s\n", Hex(*seen.optionFlags, 8).c_str());
  if (seen.injectionFlags)
    std::fprintf(out_, "injection flags: %s\n", Hex(*seen.injectionFlags, 8).c_str());
  for (const ScaleReference& scale : seen.scales) {
    const char* direction = scale.vertical ? "vertical" : "horizontal";
    // -1 is the ECU's "no item": the map has no scale on that axis.
    if (scale.reference == -1) {
      std::fprintf(out_, "%s scale of %s: none\n", direction, scale.map.c_str());
      continue;
    }
    const std::string* target = kalbrix_.NameOf(scale.reference);
    std::fprintf(out_, "%s scale of %s: %d%s%s\n", direction, scale.map.c_str(), scale.reference,
                 target ? " " : "", target ? target->c_str() : "");
  }
  for (const auto& [item, mode] : seen.sends)
    std::fprintf(out_, "%s%s (mode %d)\n", LogLineOpening(LogLineKind::kSend).data(), item.c_str(),
                 mode);
  for (int32_t status : seen.saveStatus)
    std::fprintf(out_, "save refused (save status %d)\n", status);
  for (const auto& key : seen.endedActions)
    std::fprintf(out_, "action ended: \"%s\"\n", key.c_str());
}

void StepRunner::PrintReport(const UiEvents& events) {
  if (!events.reports.empty()) {
    const Json& report = events.reports.back();
    const Json rows = report.value("rows", Json::array());
    std::fprintf(out_, "report \"%s\": %s, %zu row(s)\n", report.value("caption", "").c_str(),
                 report.value("visible", false) ? "shown" : "hidden", rows.size());
    for (size_t row = 0; row < rows.size(); ++row) {
      std::fprintf(out_, "  | %s\n",
                   rows[row].is_string() ? rows[row].get<std::string>().c_str() : "");
      if (!LastRowOfItsFinding(reportFindings_, row)) continue;
      // The same values a machine-readable report gives under the row's "findings".
      for (const Json& finding : RowFindingsJson(reportFindings_, row))
        std::fprintf(out_, "      finding (%s): %s\n", finding.value("rule", "").c_str(),
                     finding.value("text", "").c_str());
    }
  }
  for (const Json& show : events.reportShows)
    std::fprintf(out_, "report \"%s\" %s again\n", show.value("caption", "").c_str(),
                 show.value("visible", false) ? "shown" : "hidden");
}

// The host never sees ConfigState itself: every check writes the option flags, and a
// coherent one marks the EngineTable item 0 just before; an incoherent one marks it 1 when
// the item's state takes a mark. A refused open ends the action it was given.
void StepRunner::Judge(const Step& step, const Observation& seen) {
  const std::string engineItem = service_.DescriptorItem(kEngineTableElement);
  if (step.kind == StepKind::kOpen) {
    for (const auto& key : seen.endedActions)
      if (key == step.item) {
        verdict_ = Verdict::kRejected;
        // The open ended before any rule: the last request the host failed is the one the
        // plug-in could not do without.
        if (!seen.failures.empty()) {
          const FailedRequest& failed = seen.failures.back();
          std::fprintf(out_, "failed request: %s\n                %s\n", failed.request.c_str(),
                       failed.reply.c_str());
          // An item asked for by its identifier is one the descriptor names.
          const int element =
              failed.code == REQ_ITEM_NAME && kalbrix_.NameOf(failed.sent) == nullptr
                  ? service_.DescriptorElementOf(failed.sent)
                  : -1;
          if (element >= 0)
            std::fprintf(out_,
                         "                (identifier %d: element %d of %s, no item of the file)\n",
                         failed.sent, element, service_.DescriptorName().c_str());
        }
        std::fprintf(out_, "ConfigState: rejected (the plug-in ended the open)\n");
        return;
      }
  }
  const bool checked = seen.optionFlags.has_value();
  std::optional<int32_t> mark;
  for (const auto& [item, value] : seen.marks)
    if (item == engineItem) mark = value;
  if (!checked) {
    if (step.kind == StepKind::kOpen && seen.requests > 0) {
      verdict_ = Verdict::kNotChecked;
      std::fprintf(out_,
                   "ConfigState: -2 (loaded, not checked: a configuration item is missing "
                   "or not usable)\n");
    }
    return;
  }
  if (mark && *mark == 0) {
    verdict_ = Verdict::kCoherent;
    std::fprintf(out_, "ConfigState: 1 (coherent; %s marked 0)\n", engineItem.c_str());
    return;
  }
  verdict_ = Verdict::kIncoherent;
  if (mark)
    std::fprintf(out_, "ConfigState: 0 or -1 (not coherent; %s marked 1)\n", engineItem.c_str());
  else
    std::fprintf(out_, "ConfigState: 0 or -1 (not coherent; %s takes no mark)\n",
                 engineItem.c_str());
}

const char* VerdictName(Verdict verdict) {
  constexpr std::array<const char*, 4> kVerdicts = {"not checked", "coherent", "not coherent",
                                                    "rejected"};
  return kVerdicts[static_cast<size_t>(verdict)];
}

void StepRunner::PrintVerdict() const {
  std::fprintf(out_, "%sresult: %s\n", LogLineOpening(LogLineKind::kRequest).data(),
               VerdictName(verdict_));
}

}  // namespace vantel::host
