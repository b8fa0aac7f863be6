#pragma once
// One run of the host as the plug-in sees it: the machines of the files, each with its host
// service and step runner, behind the one ACTIONDLL router, and the plug-in loaded once.
// Every command plays the plug-in through this; printing, JSON and HTTP are made from what
// it returns.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "findings.h"
#include "host_service.h"
#include "kalbrix.h"
#include "plugin_loader.h"
#include "result.h"
#include "steps.h"
#include "ui_events.h"
#include "wheel.h"

namespace vantel::host {

/// What the plug-in answered the handshake; a version of 0 is a refusal of the host.
struct HandshakeResult {
  int32_t version = 0;
  int32_t language = 0;
  bool accepted() const { return version > 0; }
};

/// A step played on a machine: what the host saw, and the verdict it left.
struct StepResult {
  Observation seen;
  Verdict verdict = Verdict::kNotChecked;
};

/// The host actions a machine takes: the edit dialog, or the map scale of one rail.
enum class HostAction { kEdit, kMapScaleRail1, kMapScaleRail2 };

struct ActionResult {
  bool ended = false;    // the plug-in asked to end the action
  bool wrote = false;    // it wrote tables on the way
  bool checked = false;  // so the machine was closed and opened again
  Verdict verdict = Verdict::kNotChecked;
};

/// How a save or a write-back ended.
struct SaveOutcome {
  enum class Kind { kRefused, kNothingToWrite, kWritten, kFailed };
  Kind kind = Kind::kNothingToWrite;
  int32_t saveStatus = 0;  // kRefused: what the plug-in sent
  size_t written = 0;      // kWritten: how many items
  std::string reason;      // kFailed: why the file could not be written

  /// The items written, for a caller that counts a refusal or no change as none.
  size_t Count() const { return kind == Kind::kWritten ? written : 0; }
};

/// The one line that tells a person how the save of `file` ended.
std::string SaveOutcomeLine(const SaveOutcome& outcome, const std::string& file,
                            HostLanguage language);

/// One file served as a machine. Read through the session's calls; the session plays it.
class SessionMachine {
 public:
  SessionMachine(const SessionMachine&) = delete;
  SessionMachine& operator=(const SessionMachine&) = delete;
  ~SessionMachine();

  const std::string& file() const { return file_; }
  uint32_t index() const { return kalbrix_.machine; }
  /// As the plug-in left it, which is what a save writes.
  const Kalbrix& kalbrix() const { return kalbrix_; }
  HostService& service() { return *service_; }
  const HostService& service() const { return *service_; }
  bool opened() const { return opened_; }

  Verdict verdict() const;
  /// The rows of the error report's last fill, and the finding behind each.
  const std::vector<std::string>& reportRows() const;
  const Json& reportFindings() const;
  /// The window of that fill; 0 before the first.
  VantelUiWindow reportWindow() const;
  /// The last value sent for each function, supervision and data item, in first-sent order.
  const std::vector<Enable>& switched() const { return switched_; }
  /// The configuration tables the plug-in wrote, each once.
  const std::vector<std::string>& tablesRewritten() const { return tablesRewritten_; }
  /// The items whose values a save would write now.
  std::vector<std::string> Unsaved() const;
  /// The values as the file holds them, since the open or the last save.
  const Kalbrix& saved() const { return saved_; }
  /// The file's text as a save would write it now, without writing it.
  std::string SaveText() const;

 private:
  friend class HostSession;
  SessionMachine(std::string file, Json document, Kalbrix kalbrix, int32_t language, FILE* out,
                 FILE* trace);

  std::string file_;
  Json document_;
  Kalbrix kalbrix_;
  Kalbrix saved_;  // as the file holds it
  std::unique_ptr<HostService> service_;
  FILE* out_;
  std::unique_ptr<StepRunner> runner_;  // made at the first step, once the plug-in is loaded
  bool opened_ = false;
  std::vector<Enable> switched_;
  std::vector<std::string> tablesRewritten_;
};

/// A run of the host: its machines, the router, the plug-in and the UI event log.
class HostSession {
 public:
  /// `language` answers the plug-in's REQ_HOST_LANGUAGE and words the picture and the save's
  /// line; the plug-in comes from `plugin`, or from beside the host's executable.
  explicit HostSession(int32_t language, std::string plugin = {});
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  /// Reads `file` as a machine; each step prints to `out`, each request to `trace` (null
  /// for none). The failure names what is wrong with the file.
  Result<SessionMachine*> Add(const std::string& file, FILE* out, FILE* trace = nullptr);
  /// A file already read: `document` is what a save writes the values into.
  SessionMachine* Add(std::string file, Json document, Kalbrix kalbrix, FILE* out,
                      FILE* trace = nullptr);
  /// Forgets a machine; the caller has closed it.
  void Remove(SessionMachine* machine);
  /// Forgets a machine and gives back its Kalbrix as the plug-in left it, without a copy;
  /// an empty one for a machine the session does not hold.
  Kalbrix Release(SessionMachine* machine);
  const std::vector<std::unique_ptr<SessionMachine>>& machines() const { return machines_; }
  SessionMachine* Find(uint32_t index) const;

  /// Loads the plug-in (again, when it is loaded), installs the router and shakes hands. The router
  /// answers each request from the service of its machine index, any other index from the first
  /// machine, and a host of no machine yet from an empty Kalbrix. PluginError when it cannot load.
  HandshakeResult Load();
  /// Unloads the plug-in: every context it made goes with it.
  void Unload();
  bool loaded() const { return plugin_ != nullptr; }
  /// An export of the loaded plug-in; PluginError when it has none.
  void* Symbol(const char* name) const;

  /// Each plays one step and prints it where the machine's steps print; a step of a closed
  /// machine is the plug-in's to answer, as a host would send it.
  StepResult Open(SessionMachine& machine);
  StepResult Step(SessionMachine& machine, const vantel::host::Step& step);
  /// The action with its user's part played by whatever UI hook is installed, every table
  /// the plug-in asks to send sent, and the action ended from the host's side. When it wrote
  /// tables the machine is closed and opened again, so that the verdict is that of what is
  /// written. `over` is told when the action is over, before that check; true skips it (a
  /// script that could not go on has failed, and nothing of it counts).
  ActionResult Action(SessionMachine& machine, HostAction action,
                      const std::function<bool()>& over = {});
  /// The plug-in's save, then, unless it refused, the changed values written to the file.
  SaveOutcome Save(SessionMachine& machine);
  /// The changed values written to the file, without asking the plug-in.
  SaveOutcome WriteBack(SessionMachine& machine);
  /// The picture's input: the tables as the machine holds them now, its verdict and report.
  WheelInput Picture(const SessionMachine& machine) const;
  StepResult Close(SessionMachine& machine);

  /// From a UI hook while a step of `machine` runs: the error report as filled or shown
  /// since the last look, printed at once. True when it was filled again.
  bool TakeShownReports(SessionMachine& machine);

 private:
  StepRunner& Runner(SessionMachine& machine);

  int32_t language_;
  std::string pluginPath_;
  std::vector<std::unique_ptr<SessionMachine>> machines_;
  Kalbrix none_;
  HostService noneService_;
  // Named before the plug-in is loaded: the plug-in reads where at its loading.
  std::unique_ptr<UiEventLog> uiLog_;
  std::unique_ptr<LoadedPlugin> plugin_;
  std::optional<PluginExports> exports_;  // resolved at the first step
};

}  // namespace vantel::host
