#pragma once
// The host actions as a host plays them: the edit or map-scale action started, the user's
// part played from a script or typed at a terminal, each table the plug-in asked to send
// sent and reported, and the action ended from the host's side.
#include <cstdio>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "kalbrix.h"
#include "session.h"
#include "steps.h"
#include "ui_script.h"

namespace vantel::host {

enum class ActionKind { kNone, kEdit, kMapScale };

struct ActionOptions {
  ActionKind kind = ActionKind::kNone;
  int rail = 0;           // mapscale: 1 or 2
  std::string script;     // a file, or "-" for standard input
  std::string snapshots;  // the folder of the SVGs; "" for none
  bool interactive = false;
};

/// Checks the options of `command` ("edit" or "mapscale") as a whole. Without a script, a
/// terminal on standard input makes the run interactive.
bool FinishActionOptions(const std::string& command, ActionOptions* options, std::string* error);

struct ActionOutcome {
  bool ended = false;  // the plug-in asked to end the action
  bool wrote = false;  // it wrote tables on the way
};

/// Starts the action `start` (kEdit, kMapScaleRail1 or kMapScaleRail2), plays the sending of
/// every table the plug-in asks to send and ends the action from the host's side. The user's
/// part is played by whatever UI hook is installed.
ActionOutcome PlayHostAction(StepRunner& runner, const Kalbrix& kalbrix, StepKind start, FILE* out);

/// After an action that wrote tables: a close and an open, so that the verdict is that of
/// the configuration as written.
void CheckWrittenTables(StepRunner& runner, const Kalbrix& kalbrix, ActionOutcome outcome,
                        FILE* out);

class ActionPlayer {
 public:
  ActionPlayer(ActionOptions options, FILE* out);

  /// Reads and checks the script and makes the snapshot folder, before the plug-in is
  /// loaded; false with a one-line `error`.
  bool Prepare(std::string* error);

  /// After the open: the action with its user's part, the sending, the end, and when the
  /// action wrote tables a close and an open, so that the last verdict is that of the
  /// configuration as written. Nothing for a command without an action.
  void Play(HostSession& session, SessionMachine& machine);

  /// "SCRIPT:LINE: ..." when a step could not be played; empty otherwise.
  const std::string& failure() const { return failure_; }

 private:
  static int Turn(VantelUiWindow modal, void* self);
  int Turn(VantelUiWindow modal);
  std::optional<UiStep> NextStep();
  /// The script as a user named it, for the messages.
  std::string ScriptName() const;
  void Snapshot(VantelUiWindow window, const std::string& what);

  ActionOptions options_;
  FILE* out_;
  UiApi ui_{};
  std::vector<UiStep> script_;
  size_t next_ = 0;
  int typedLines_ = 0;
  std::set<VantelUiWindow> seen_;
  int snapshotCount_ = 0;
  std::string failure_;
  // The machine of the action being played, and its session.
  HostSession* session_ = nullptr;
  SessionMachine* machine_ = nullptr;
};

}  // namespace vantel::host
