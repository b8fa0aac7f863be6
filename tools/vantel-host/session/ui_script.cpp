#include "ui_script.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "vantel/ui_controls.h"
#include "window_snapshot.h"

namespace vantel::host {

namespace {

struct ControlName {
  const char* name;
  int32_t id;
};

// Names a script may use instead of a control id; `show` prints them beside the ids.
constexpr ControlName kControlNames[] = {
    {"window", kModalWindow},
    {"ok", VANTEL_IDOK},
    {"cancel", VANTEL_IDCANCEL},
    {"message", VANTEL_IDC_MESSAGE_TEXT},
    {"tabs", VANTEL_IDC_MAIN_TABS},
    {"note", VANTEL_IDC_MAIN_NOTE_TEXT},
    {"cylinders", VANTEL_IDC_ENGINE_CYLINDERS},
    {"same-teeth", VANTEL_IDC_FLYWHEEL_SAME_TEETH},
    {"one-missing", VANTEL_IDC_FLYWHEEL_ONE_MISSING},
    {"two-missing", VANTEL_IDC_FLYWHEEL_TWO_MISSING},
    {"one-extra", VANTEL_IDC_FLYWHEEL_ONE_EXTRA},
    {"rs-type", VANTEL_IDC_FLYWHEEL_RS_TYPE},
    {"occurrences", VANTEL_IDC_FLYWHEEL_OCCURRENCES},
    {"teeth", VANTEL_IDC_FLYWHEEL_TEETH},
    {"sync-rpm", VANTEL_IDC_SYNC_RPM},
    {"regular-angles", VANTEL_IDC_BANKS_REGULAR_ANGLES},
    {"specific-angles", VANTEL_IDC_BANKS_SPECIFIC_ANGLES},
    {"phase-type", VANTEL_IDC_MAIN_PHASE_TYPE},
    {"distributed", VANTEL_IDC_IGNITION_DISTRIBUTED},
    {"twin-spark", VANTEL_IDC_IGNITION_TWIN_SPARK},
    {"static", VANTEL_IDC_IGNITION_STATIC},
    {"ignition-delay", VANTEL_IDC_IGNITION_DELAY},
    {"one-rail", VANTEL_IDC_INJECTION_ONE_RAIL},
    {"rail1-to-rail2", VANTEL_IDC_INJECTION_RAIL1_TO_RAIL2},
    {"rail1-to-both", VANTEL_IDC_INJECTION_RAIL1_TO_BOTH},
    {"semi-sequential", VANTEL_IDC_INJECTION_SEMI_SEQUENTIAL},
    {"sequential", VANTEL_IDC_INJECTION_SEQUENTIAL},
    {"direct", VANTEL_IDC_INJECTION_DIRECT},
    {"peak-and-hold", VANTEL_IDC_PEAK_AND_HOLD_ENABLED},
    {"peak-and-hold-command", VANTEL_IDC_PEAK_AND_HOLD_COMMAND},
    {"peak-and-hold-tuning", VANTEL_IDC_PEAK_AND_HOLD_TUNING},
    {"vertical", VANTEL_IDC_MAP_VERTICAL},
    {"horizontal", VANTEL_IDC_MAP_HORIZONTAL},
};

/// Rows of the banks page (1 = the first cylinder fired) and phases (0 = the main phase).
struct ControlFamily {
  const char* prefix;
  const int32_t* ids;
  size_t count;
  int first;
};

constexpr int32_t kCylinderAngles[] = VANTEL_IDC_CYLINDER_ANGLES;
constexpr int32_t kCylinderBank1[] = VANTEL_IDC_CYLINDER_BANK1;
constexpr int32_t kCylinderBank2[] = VANTEL_IDC_CYLINDER_BANK2;
constexpr int32_t kPhaseCamshafts[] = VANTEL_IDC_PHASE_CAMSHAFTS;
constexpr int32_t kPhaseMarks[] = VANTEL_IDC_PHASE_MARKS;
constexpr int32_t kPhaseStartTeeth[] = VANTEL_IDC_PHASE_START_TEETH;

constexpr ControlFamily kControlFamilies[] = {
    {"angle.", kCylinderAngles, std::size(kCylinderAngles), 1},
    {"bank1.", kCylinderBank1, std::size(kCylinderBank1), 1},
    {"bank2.", kCylinderBank2, std::size(kCylinderBank2), 1},
    {"camshaft.", kPhaseCamshafts, std::size(kPhaseCamshafts), 0},
    {"marks.", kPhaseMarks, std::size(kPhaseMarks), 0},
    {"start-tooth.", kPhaseStartTeeth, std::size(kPhaseStartTeeth), 0},
};

struct AnswerWord {
  const char* word;
  int32_t button;
};

constexpr AnswerWord kAnswers[] = {
    {"ok", VANTEL_IDOK}, {"cancel", VANTEL_IDCANCEL}, {"yes", VANTEL_IDYES}, {"no", VANTEL_IDNO}};

// A step that is a user's act is spelled as the act is named everywhere; the script's own
// steps (answer, snapshot, expect, show) have words of their own.
struct StepWord {
  UiStepKind kind;
  std::optional<UserAct> act;
  const char* ownWord;
  const char* usage;
  const char* what;  // for the list at the prompt

  std::string_view word() const { return act ? Name(*act) : ownWord; }
};

constexpr std::array<StepWord, 12> kStepWords = {{
    {UiStepKind::kTab, UserAct::kTab, nullptr, "tab N|TEXT",
     "click tab N (from 0), or the tab with that text"},
    {UiStepKind::kClick, UserAct::kClick, nullptr, "click ID",
     "click a button, check box or radio button"},
    {UiStepKind::kChoose, UserAct::kChoose, nullptr, "choose ID N|\"TEXT\"",
     "choose entry N (from 0) of a drop-down list, or the entry with that text"},
    {UiStepKind::kDismiss, UserAct::kDismiss, nullptr, "dismiss ID N|\"TEXT\"",
     "move to the entry, then close the list without choosing"},
    {UiStepKind::kType, UserAct::kType, nullptr, "type ID \"TEXT\"",
     "type TEXT into an edit, in place of its text"},
    {UiStepKind::kOk, UserAct::kOk, nullptr, "ok", "the Enter key"},
    {UiStepKind::kCancel, UserAct::kCancel, nullptr, "cancel", "the Escape key"},
    {UiStepKind::kHelp, UserAct::kHelp, nullptr, "help ID", "F1 on the control: its help text"},
    {UiStepKind::kAnswer, std::nullopt, "answer", "answer ok|cancel|yes|no",
     "press that button of a message box"},
    {UiStepKind::kSnapshot, std::nullopt, "snapshot", "snapshot NAME",
     "the window as SVG in NAME.svg"},
    {UiStepKind::kExpect, std::nullopt, "expect",
     "expect ID text \"TEXT\" | checked yes|no | enabled yes|no | items \"TEXT\"...",
     "stop unless the control shows that"},
    {UiStepKind::kShow, std::nullopt, "show", "show", "print the window as text"},
}};

struct Token {
  std::string text;
  bool quoted = false;
};

// Words are separated by blanks; "..." holds blanks, \" \\ and \n; # outside quotes starts a
// comment.
bool Tokenize(const std::string& line, std::vector<Token>* tokens, std::string* error) {
  size_t at = 0;
  while (at < line.size()) {
    const char c = line[at];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++at;
      continue;
    }
    if (c == '#') return true;
    Token token;
    if (c != '"') {
      while (at < line.size() && line[at] != ' ' && line[at] != '\t' && line[at] != '\r')
        token.text += line[at++];
      tokens->push_back(std::move(token));
      continue;
    }
    token.quoted = true;
    for (++at;; ++at) {
      if (at >= line.size()) {
        *error = "a quoted text is not closed";
        return false;
      }
      if (line[at] == '"') break;
      if (line[at] == '\\' && at + 1 < line.size()) {
        const char next = line[++at];
        token.text += next == 'n' ? '\n' : next;
        continue;
      }
      token.text += line[at];
    }
    ++at;
    tokens->push_back(std::move(token));
  }
  return true;
}

// Decimal, or hexadecimal after 0x as control ids are often written; never octal: "08" is 8.
std::optional<int32_t> Number(const Token& token) {
  if (token.quoted || token.text.empty() ||
      !std::isdigit(static_cast<unsigned char>(token.text[0])))
    return std::nullopt;
  const bool hex = token.text.size() > 2 && (token.text[1] == 'x' || token.text[1] == 'X') &&
                   token.text[0] == '0';
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(token.text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
  if (errno != 0 || *end != '\0' || value < 0 || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

std::optional<int32_t> ControlId(const Token& token) {
  if (token.quoted) return std::nullopt;
  if (const auto id = Number(token)) return id;
  for (const ControlName& entry : kControlNames)
    if (token.text == entry.name) return entry.id;
  for (const ControlFamily& family : kControlFamilies) {
    const std::string_view prefix = family.prefix;
    if (token.text.rfind(prefix, 0) != 0) continue;
    const auto row = Number({token.text.substr(prefix.size()), false});
    if (!row || *row < family.first || *row - family.first >= static_cast<int32_t>(family.count))
      return std::nullopt;
    return family.ids[*row - family.first];
  }
  return std::nullopt;
}

std::string NameOf(int32_t id) {
  for (const ControlName& entry : kControlNames)
    if (entry.id == id && id != kModalWindow) return entry.name;
  for (const ControlFamily& family : kControlFamilies)
    for (size_t i = 0; i < family.count; ++i)
      if (family.ids[i] == id)
        return family.prefix + std::to_string(family.first + static_cast<int>(i));
  return {};
}

std::optional<bool> YesNo(const Token& token) {
  if (token.quoted) return std::nullopt;
  if (token.text == "yes") return true;
  if (token.text == "no") return false;
  return std::nullopt;
}

/// An entry named by its index (a bare number) or by its text.
void TakeEntry(const Token& token, UiStep* step) {
  if (const auto index = Number(token)) {
    step->index = *index;
    return;
  }
  step->text = token.text;
}

bool IsSnapshotName(const std::string& name) {
  if (name.empty() || name[0] == '.') return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.')
      return false;
  return true;
}

/// The arguments after the step word, checked against the step's shape.
bool TakeArguments(const StepWord& word, const std::vector<Token>& args, UiStep* step,
                   std::string* error) {
  const auto usage = [&](const std::string& why) {
    *error = why + " (" + word.usage + ")";
    return false;
  };
  const auto control = [&](const Token& token) {
    const auto id = ControlId(token);
    if (!id) return usage("unknown control \"" + token.text + "\"");
    step->control = *id;
    return true;
  };
  const auto count = [&](size_t n) {
    return args.size() == n || usage("\"" + std::string(word.word()) + "\" takes " +
                                     std::to_string(n) + " argument(s)");
  };
  switch (word.kind) {
    case UiStepKind::kOk:
    case UiStepKind::kCancel:
    case UiStepKind::kShow:
      return count(0);
    case UiStepKind::kTab:
      if (!count(1)) return false;
      TakeEntry(args[0], step);
      return true;
    case UiStepKind::kClick:
    case UiStepKind::kHelp:
      return count(1) && control(args[0]);
    case UiStepKind::kChoose:
    case UiStepKind::kDismiss:
      if (!count(2) || !control(args[0])) return false;
      TakeEntry(args[1], step);
      return true;
    case UiStepKind::kType:
      if (!count(2) || !control(args[0])) return false;
      step->text = args[1].text;
      return true;
    case UiStepKind::kAnswer:
      if (!count(1)) return false;
      for (const AnswerWord& answer : kAnswers)
        if (!args[0].quoted && args[0].text == answer.word) step->index = answer.button;
      return step->index != -1 || usage("no button \"" + args[0].text + "\"");
    case UiStepKind::kSnapshot:
      if (!count(1)) return false;
      if (!IsSnapshotName(args[0].text))
        return usage("a snapshot name is letters, digits, '-', '_' and '.'");
      step->text = args[0].text;
      if (step->text.size() < 4 || step->text.compare(step->text.size() - 4, 4, ".svg") != 0)
        step->text += ".svg";
      return true;
    case UiStepKind::kExpect:
      break;
  }
  if (args.size() < 2) return usage("\"expect\" names a control and what to expect");
  if (!control(args[0])) return false;
  const std::string& what = args[1].text;
  if (what == "items") {
    step->expectation = Expectation::kItems;
    for (size_t i = 2; i < args.size(); ++i) step->expected.push_back(args[i].text);
    return true;
  }
  if (what != "text" && what != "checked" && what != "enabled")
    return usage("nothing to expect named \"" + what + "\"");
  if (args.size() != 3) return usage("\"" + what + "\" takes one value");
  if (what == "text") {
    step->expectation = Expectation::kText;
    step->expected = {args[2].text};
    return true;
  }
  const auto flag = YesNo(args[2]);
  if (!flag) return usage("\"" + what + "\" is followed by yes or no");
  step->flag = *flag;
  step->expectation = what == "checked" ? Expectation::kChecked : Expectation::kEnabled;
  return true;
}

/// What a user reads on the control: a drop-down list or a strip of tabs shows its selected
/// entry, anything else its text.
std::string ShownText(const UiApi& ui, VantelUiWindow control) {
  const std::optional<ControlKind> kind = ui.KindOf(control);
  if (!kind || !ShowsSelection(*kind)) return ui.Text(control);
  const int32_t selection = ui.getSelection(control);
  const std::vector<std::string> items = ui.Items(control);
  if (selection < 0 || static_cast<size_t>(selection) >= items.size()) return {};
  return items[static_cast<size_t>(selection)];
}

std::string ControlLabel(int32_t id) {
  if (id == kModalWindow) return "window";
  const std::string name = NameOf(id);
  return std::to_string(id) + (name.empty() ? "" : " (" + name + ")");
}

VantelUiWindow FindTabs(const UiApi& ui, VantelUiWindow window) {
  for (int32_t i = 0;; ++i) {
    const VantelUiWindow child = ui.getChild(window, i);
    if (child == 0) return 0;
    if (ui.isVisible(child) != 1) continue;
    if (ui.KindOf(child) == ControlKind::kTabControl) return child;
    if (const VantelUiWindow inner = FindTabs(ui, child)) return inner;
  }
}

/// The entry a step names, checked against the control's entries.
std::optional<int32_t> EntryIndex(const UiApi& ui, VantelUiWindow control, const UiStep& step,
                                  std::string* error) {
  const std::vector<std::string> items = ui.Items(control);
  if (step.index == -1) {
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i] == step.text) return static_cast<int32_t>(i);
    *error = "no entry " + OneLineQuoted(step.text) + " in " + OneLineList(items);
    return std::nullopt;
  }
  if (static_cast<size_t>(step.index) >= items.size()) {
    *error = "no entry " + std::to_string(step.index) + " in " + OneLineList(items);
    return std::nullopt;
  }
  return step.index;
}

bool Expect(const UiApi& ui, VantelUiWindow control, const UiStep& step, std::string* error) {
  switch (step.expectation) {
    case Expectation::kText: {
      const std::string text = ShownText(ui, control);
      if (text == step.expected[0]) return true;
      *error = "the text is " + OneLineQuoted(text);
      return false;
    }
    case Expectation::kItems: {
      const std::vector<std::string> items = ui.Items(control);
      if (items == step.expected) return true;
      *error = "the entries are " + OneLineList(items);
      return false;
    }
    case Expectation::kChecked:
    case Expectation::kEnabled: {
      const bool checked = step.expectation == Expectation::kChecked;
      const bool value = (checked ? ui.isChecked(control) : ui.isEnabled(control)) == 1;
      if (value == step.flag) return true;
      *error = std::string("it is ") + (value ? "" : "not ") + (checked ? "checked" : "enabled");
      return false;
    }
  }
  return false;
}

}  // namespace

std::optional<UiStep> ParseUiStep(const std::string& line, int lineNumber, std::string* error) {
  std::vector<Token> tokens;
  if (!Tokenize(line, &tokens, error)) return std::nullopt;
  if (tokens.empty()) return std::nullopt;
  UiStep step;
  step.line = lineNumber;
  for (const Token& token : tokens)
    step.source += (step.source.empty() ? "" : " ") +
                   (token.quoted ? "\"" + OneLine(token.text) + "\"" : token.text);
  for (const StepWord& word : kStepWords) {
    if (tokens[0].quoted || tokens[0].text != word.word()) continue;
    step.kind = word.kind;
    const std::vector<Token> args(tokens.begin() + 1, tokens.end());
    if (!TakeArguments(word, args, &step, error)) return std::nullopt;
    return step;
  }
  *error = "unknown step \"" + tokens[0].text + "\"";
  return std::nullopt;
}

bool ParseUiScript(const std::string& text, const std::string& source, std::vector<UiStep>* steps,
                   std::string* error) {
  int lineNumber = 0;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    ++lineNumber;
    std::string problem;
    auto step = ParseUiStep(text.substr(start, end - start), lineNumber, &problem);
    if (!problem.empty()) {
      *error = source + ":" + std::to_string(lineNumber) + ": " + problem;
      return false;
    }
    if (step) steps->push_back(std::move(*step));
    start = end + 1;
  }
  return true;
}

std::optional<UserAct> UserActOf(UiStepKind kind) {
  for (const StepWord& word : kStepWords)
    if (word.kind == kind) return word.act;
  return std::nullopt;
}

std::string UiStepList() {
  std::string out = "steps (ID: a control id, or the name \"show\" prints beside it):\n";
  for (const StepWord& word : kStepWords) {
    out += "  ";
    out += word.usage;
    out += "\n      ";
    out += word.what;
    out += "\n";
  }
  return out;
}

bool PlayUiStep(const UiApi& ui, VantelUiWindow modal, const UiStep& step,
                const std::string& snapshotDir, FILE* out, std::string* error) {
  const auto fail = [&](const std::string& why) {
    *error = why;
    return false;
  };
  VantelUiWindow control = 0;
  const bool namesControl = step.kind == UiStepKind::kClick || step.kind == UiStepKind::kChoose ||
                            step.kind == UiStepKind::kDismiss || step.kind == UiStepKind::kType ||
                            step.kind == UiStepKind::kHelp || step.kind == UiStepKind::kExpect;
  if (namesControl) {
    control = step.control == kModalWindow ? modal : ui.getControl(modal, step.control);
    if (control == 0)
      return fail("no control " + ControlLabel(step.control) + " in " +
                  OneLineQuoted(ui.Text(modal)));
  }
  const std::string what = ControlLabel(step.control);
  switch (step.kind) {
    case UiStepKind::kTab: {
      const VantelUiWindow tabs = FindTabs(ui, modal);
      if (tabs == 0) return fail("no tabs in " + OneLineQuoted(ui.Text(modal)));
      const auto index = EntryIndex(ui, tabs, step, error);
      if (!index) return false;
      if (ui.isEnabled(tabs) != 1) return fail("the tabs are disabled");
      // The dialog may keep its page (a value the page refuses): that is its answer, not a
      // fault of the script.
      if (ui.selectTab(tabs, *index) != 1) std::fprintf(out, "  the dialog kept its page\n");
      return true;
    }
    case UiStepKind::kClick:
      if (ui.click(control) == 1) return true;
      return fail("a user cannot click " + what + " (hidden, disabled or not a button)");
    case UiStepKind::kChoose:
    case UiStepKind::kDismiss: {
      const auto index = EntryIndex(ui, control, step, error);
      if (!index) return false;
      const bool done = step.kind == UiStepKind::kChoose ? ui.selectComboItem(control, *index)
                                                         : ui.dismissComboAt(control, *index);
      if (done) return true;
      return fail("a user cannot open the list of " + what +
                  " (hidden, disabled or not a drop-down list)");
    }
    case UiStepKind::kType:
      if (ui.setEditText(control, step.text.c_str()) == 1) return true;
      return fail("a user cannot type into " + what + " (hidden, disabled or not an edit)");
    case UiStepKind::kOk:
    case UiStepKind::kCancel: {
      const bool ok = step.kind == UiStepKind::kOk;
      if ((ok ? ui.pressOk(modal) : ui.pressCancel(modal)) == 1) return true;
      return fail(std::string("the window takes no ") + (ok ? "Enter" : "Escape") + " key");
    }
    case UiStepKind::kHelp: {
      const VantelUiWindow popup = ui.askHelp(control);
      std::fprintf(out, "  help: %s\n", popup ? OneLine(ui.Text(popup)).c_str() : "none");
      return true;
    }
    case UiStepKind::kAnswer: {
      const VantelUiWindow button = ui.getControl(modal, step.index);
      if (button == 0)
        return fail("no button " + std::to_string(step.index) + " in " +
                    OneLineQuoted(ui.Text(modal)));
      if (ui.click(button) == 1) return true;
      return fail("a user cannot press button " + std::to_string(step.index));
    }
    case UiStepKind::kSnapshot: {
      const std::string path = snapshotDir.empty() ? step.text : snapshotDir + "/" + step.text;
      if (ui.renderSvgToFile(modal, path.c_str()) == 1) return true;
      return fail("cannot write " + path);
    }
    case UiStepKind::kExpect: {
      if (Expect(ui, control, step, error)) return true;
      return fail(step.source + ": " + *error);
    }
    case UiStepKind::kShow:
      std::fputs(DescribeWindow(ui, modal).c_str(), out);
      return true;
  }
  return fail("unknown step");
}

std::string DescribeWindow(const UiApi& ui, VantelUiWindow window) {
  return WindowSnapshotText(ReadWindowSnapshot(ui, window), &NameOf);
}

}  // namespace vantel::host
