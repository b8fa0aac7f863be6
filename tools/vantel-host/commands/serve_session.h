#pragma once
// The plug-in's side of `vantel-host serve`: the machines of the files given, the plug-in
// loaded once, and the loop that plays the queued commands, at rest between actions or from
// the UI hook on every turn of a modal loop, as a host's UI thread would.
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "plugin_loader.h"
#include "serve_queue.h"
#include "session.h"
#include "ui_script.h"

namespace vantel::host {

class ServeSession {
 public:
  /// Reads every file; KalbrixError names the first that cannot be served. The plug-in is
  /// loaded from `plugin`, or from beside the host's executable.
  ServeSession(const std::vector<std::string>& files, int32_t language, CommandQueue& queue,
               StateBoard& board, std::string plugin = {});
  ~ServeSession();
  ServeSession(const ServeSession&) = delete;
  ServeSession& operator=(const ServeSession&) = delete;

  /// The machine indexes served, in the order of the files.
  std::vector<uint32_t> machineIndexes() const;

  /// Loads the plug-in, opens every machine, then plays commands until the queue closes;
  /// then every window is given up, every machine closed and the plug-in unloaded. Must be
  /// called on the thread that is to be the plug-in's. PluginError when it cannot load.
  void Run();

  /// Publishes the state as it is; "ready" turns true once every machine has been opened.
  void Publish();

 private:
  struct Machine;
  struct OpenWindow {
    uint32_t handle;
    uint32_t machine;
  };

  static int Turn(VantelUiWindow modal, void* self);
  int Turn(VantelUiWindow modal);
  void Play(const std::shared_ptr<Command>& command);
  void PlayTaken(const std::shared_ptr<Command>& command);
  void PlayMachineCommand(Command& command);
  void PlayEvent(const std::shared_ptr<Command>& command);
  /// Fits the open windows to a screen `screenHeight` high; whether any changed.
  bool FitToScreen(int32_t screenHeight);
  /// Whether `window` is a machine's error report that the plug-in shows.
  bool IsShownReport(VantelUiWindow window);
  /// Enter or Escape on a shown report, which only hides it: answered at once, modal loop
  /// or not.
  void PlayReportEvent(const std::shared_ptr<Command>& command);
  /// The machine's report window, that of its last fill; 0 when none.
  VantelUiWindow ReportWindow(Machine& machine);
  Json ReportWindowJson(Machine& machine);
  void Save(Machine& machine);
  /// Why `action` cannot be played on `machine` now; nothing when it can.
  std::optional<std::string> Refusal(const Machine& machine, const std::string& action) const;
  /// Takes the values that differ from the file; new ones make the last save's line stale.
  void NoteUnsaved(Machine& machine);
  /// Whether `control` is a control of `window`, in a page at any depth.
  bool Holds(VantelUiWindow window, VantelUiWindow control);
  /// Publishes the state and answers the command waiting for it.
  void Settle();
  Json MachineJson(Machine& machine);
  Json WindowJson(const OpenWindow& window);
  void Redraw(Machine& machine);
  void TakeLog(Machine& machine);
  Machine* Find(uint32_t machine);

  int32_t language_;
  CommandQueue& queue_;
  StateBoard& board_;
  HostSession session_;
  std::vector<std::unique_ptr<Machine>> machines_;
  UiApi ui_{};

  // The modal windows whose loops are turning, outermost first.
  std::vector<OpenWindow> turning_;
  std::map<uint32_t, uint32_t> ownerOf_;      // window -> machine whose command opened it
  std::vector<uint32_t> playingFor_;          // the machines of the commands being played
  std::map<uint32_t, Json> help_;             // window -> the help pop-up last asked there
  std::map<uint32_t, int32_t> openedHeight_;  // window -> its outer height as it opened
  std::shared_ptr<Command> pending_;          // played, waiting for the plug-in to settle
  bool ready_ = false;                        // every machine opened once
};

}  // namespace vantel::host
