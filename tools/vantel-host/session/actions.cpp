#include "actions.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "plugin_edge.h"
#include "vantel/ui_controls.h"

namespace vantel::host {

namespace {

// The automation API gives message boxes this caption.
constexpr const char* kMessageBoxCaption = "VANTEL";

bool ReadScript(const std::string& source, std::string* text, std::string* error) {
  if (source == "-") {
    *text = std::string(std::istreambuf_iterator<char>(std::cin), {});
    return true;
  }
  if (std::filesystem::is_directory(source)) {
    *error = source + ": is a folder, not a script";
    return false;
  }
  std::ifstream in(source, std::ios::binary);
  if (!in) {
    *error = source + ": cannot open: " + std::strerror(errno);
    return false;
  }
  std::ostringstream read;
  read << in.rdbuf();
  *text = read.str();
  return true;
}

}  // namespace

bool FinishActionOptions(const std::string& command, ActionOptions* options, std::string* error) {
  options->kind = command == "edit" ? ActionKind::kEdit : ActionKind::kMapScale;
  if (options->kind == ActionKind::kMapScale && options->rail == 0) {
    *error = "mapscale needs --rail 1 or 2";
    return false;
  }
  if (options->interactive && !options->script.empty()) {
    *error = "--interactive reads the steps from standard input: no --script with it";
    return false;
  }
  if (options->interactive || !options->script.empty()) return true;
  // Nobody would answer a prompt on a pipe: a script must say what to do there.
  if (isatty(STDIN_FILENO) == 0) {
    *error = command + " needs --script FILE (- for standard input) when standard input is " +
             "not a terminal";
    return false;
  }
  options->interactive = true;
  return true;
}

ActionOutcome PlayHostAction(StepRunner& runner, const Kalbrix& kalbrix, StepKind start,
                             FILE* out) {
  const std::string& key = kalbrix.descriptor;
  Observation seen = runner.Run(Step{start, key, 0, 0, false});
  bool ended = !seen.endedActions.empty();
  bool wrote = !seen.written.empty();
  std::deque<std::string> sends;
  for (const auto& [item, mode] : seen.sends) sends.push_back(item);

  // Each item is sent, then reported: an error the Kalbrix holds for the item makes the
  // sending fail. Once the plug-in ended the action the rest is not sent.
  while (!sends.empty() && !ended) {
    const std::string item = sends.front();
    sends.pop_front();
    const KalbrixItem* held = kalbrix.Find(item);
    const bool refused = held && held->errorCode != 0;
    seen = runner.Run(
        Step{refused ? StepKind::kItemSendError : StepKind::kItemSent, item, 0, 0, false});
    ended = !seen.endedActions.empty();
    wrote = wrote || !seen.written.empty();
    for (const auto& [more, mode] : seen.sends) sends.push_back(more);
  }
  if (ended) {
    runner.Run(Step{StepKind::kResetAction, key, 0, 0, false});
  } else {
    std::fprintf(out, "the plug-in did not end the action: no RSTSETEMG\n");
  }
  return {ended, wrote};
}

void CheckWrittenTables(StepRunner& runner, const Kalbrix& kalbrix, ActionOutcome outcome,
                        FILE* out) {
  if (!outcome.ended || !outcome.wrote) return;
  // The plug-in is not told of the tables it wrote itself, so its last verdict is the one
  // of the configuration before the action: the result must be that of what is written.
  std::fprintf(out, "the action wrote tables: the configuration is checked again\n");
  runner.Run(Step{StepKind::kClose, kalbrix.descriptor, 0, 0, false});
  runner.Run(Step{StepKind::kOpen, kalbrix.descriptor, 0, 0, false});
}

ActionPlayer::ActionPlayer(ActionOptions options, FILE* out)
    : options_(std::move(options)), out_(out) {}

bool ActionPlayer::Prepare(std::string* error) {
  if (options_.kind == ActionKind::kNone) return true;
  if (!options_.snapshots.empty()) {
    std::error_code failed;
    std::filesystem::create_directories(options_.snapshots, failed);
    if (failed) {
      *error = options_.snapshots + ": cannot make the folder: " + failed.message();
      return false;
    }
  }
  if (options_.interactive) return true;
  std::string text;
  return ReadScript(options_.script, &text, error) &&
         ParseUiScript(text, ScriptName(), &script_, error);
}

void ActionPlayer::Play(HostSession& session, SessionMachine& machine) {
  if (options_.kind == ActionKind::kNone) return;
  ui_ = UiApi::Load([&session](const char* name) { return session.Symbol(name); });
  ui_.setHook(&ActionPlayer::Turn, this);
  session_ = &session;
  machine_ = &machine;

  HostAction action = HostAction::kEdit;
  if (options_.kind == ActionKind::kMapScale)
    action = options_.rail == 1 ? HostAction::kMapScaleRail1 : HostAction::kMapScaleRail2;
  // The hook goes with the action; the tables written are checked again only when the
  // script went through.
  session.Action(machine, action, [this] {
    ui_.setHook(nullptr, nullptr);
    session_ = nullptr;
    machine_ = nullptr;
    if (failure_.empty() && next_ < script_.size())
      failure_ = ScriptName() + ":" + std::to_string(script_[next_].line) +
                 ": no window is open for this step (the action is over)";
    return !failure_.empty();
  });
}

int ActionPlayer::Turn(VantelUiWindow modal, void* self) {
  auto* player = static_cast<ActionPlayer*>(self);
  // A step the host cannot play fails the script, as any other step that cannot be played.
  return AtPluginEdge([&] { return player->Turn(modal); },
                      [player](const std::string& reason) {
                        if (player->failure_.empty())
                          player->failure_ = player->ScriptName() + ": the host failed: " + reason;
                        return 0;
                      });
}

// One step per turn of the modal loop, on the window that runs it. A step can open a
// message box whose loop calls back in here: the step is taken before it is played, so the
// nested turn plays the next one.
int ActionPlayer::Turn(VantelUiWindow modal) {
  if (!failure_.empty()) return 0;
  // The modeless report shows beside the window: printed when it shows, before the next step.
  if (session_) session_->TakeShownReports(*machine_);
  const std::string caption = ui_.Text(modal);
  if (seen_.insert(modal).second) {
    std::fprintf(out_, "window \"%s\" opens", OneLine(caption).c_str());
    const VantelUiWindow text = ui_.getControl(modal, VANTEL_IDC_MESSAGE_TEXT);
    if (caption == kMessageBoxCaption && text != 0)
      std::fprintf(out_, ": %s", OneLine(ui_.Text(text)).c_str());
    std::fprintf(out_, "\n");
    Snapshot(modal, "open");
  }
  if (options_.interactive) std::fputs(DescribeWindow(ui_, modal).c_str(), out_);

  const std::optional<UiStep> step = NextStep();
  if (!step) {
    std::fprintf(out_, "no more steps: \"%s\" given up\n", OneLine(caption).c_str());
    return 0;
  }
  if (!options_.interactive) std::fprintf(out_, "  %d> %s\n", step->line, step->source.c_str());
  std::fflush(out_);
  std::string error;
  if (!PlayUiStep(ui_, modal, *step, options_.snapshots, out_, &error)) {
    // A person tries again; a script is a test, and a test that cannot go on has failed.
    if (options_.interactive) {
      std::fprintf(out_, "  cannot: %s\n", error.c_str());
      return 1;
    }
    failure_ = ScriptName() + ":" + std::to_string(step->line) + ": " + error;
    return 0;
  }
  if (ui_.isVisible(modal) == 1) Snapshot(modal, "line" + std::to_string(step->line));
  std::fflush(out_);
  return 1;
}

std::optional<UiStep> ActionPlayer::NextStep() {
  if (!options_.interactive) {
    if (next_ >= script_.size()) return std::nullopt;
    return script_[next_++];
  }
  for (std::string line;;) {
    std::fputs("step> ", out_);
    std::fflush(out_);
    if (!std::getline(std::cin, line)) {
      std::fputs("\n", out_);
      return std::nullopt;
    }
    // "help ID" is a step; "help" alone is the person asking what they can type.
    const auto first = line.find_first_not_of(" \t");
    if (first != std::string::npos &&
        line.substr(first, line.find_last_not_of(" \t") + 1 - first) == "help") {
      std::fputs(UiStepList().c_str(), out_);
      continue;
    }
    std::string error;
    std::optional<UiStep> step = ParseUiStep(line, ++typedLines_, &error);
    if (step) return step;
    if (!error.empty()) std::fprintf(out_, "  %s\n", error.c_str());
  }
}

std::string ActionPlayer::ScriptName() const {
  return options_.script == "-" ? "<stdin>" : options_.script;
}

void ActionPlayer::Snapshot(VantelUiWindow window, const std::string& what) {
  if (options_.snapshots.empty() || !failure_.empty()) return;
  char name[64];
  std::snprintf(name, sizeof name, "%03d-%s.svg", ++snapshotCount_, what.c_str());
  const std::string path = options_.snapshots + "/" + name;
  if (ui_.renderSvgToFile(window, path.c_str()) != 1) failure_ = "cannot write " + path;
}

}  // namespace vantel::host
