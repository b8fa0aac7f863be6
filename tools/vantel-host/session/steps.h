#pragma once
// The steps the host plays after loading the plug-in, and what it prints of each.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "findings.h"
#include "host_service.h"
#include "kalbrix.h"
#include "plugin_loader.h"
#include "ui_events.h"

namespace vantel::host {

enum class StepKind {
  kOpen,
  kSave,
  kClose,
  kConnect,
  kValue,
  kSensors,
  kStatus,
  kSet,
  // The host actions, played by the edit and mapscale commands (actions.h), never by --then.
  kEdit,
  kMapScaleRail1,
  kMapScaleRail2,
  kItemSent,
  kItemSendError,
  kResetAction,
};

struct Step {
  StepKind kind;
  std::string item;  // the action key, the notified item or the item to set
  size_t word = 0;   // kSet on a word table
  int32_t value = 0;
  bool hasWord = false;
};

/// One --then argument; nullopt and a one-line `error` when it is not a step.
std::optional<Step> ParseStep(const std::string& text, std::string* error);

/// Whether a kSet step names an item whose value can take it.
bool StepFitsKalbrix(const Step& step, const Kalbrix& kalbrix, std::string* error);

/// What the host knows of the configuration from what it observed.
enum class Verdict { kNotChecked, kCoherent, kIncoherent, kRejected };

/// "not checked", "coherent", "not coherent", "rejected".
const char* VerdictName(Verdict verdict);

class StepRunner {
 public:
  StepRunner(Kalbrix& kalbrix, HostService& service, UiEventLog& uiLog,
             const PluginExports& exports, FILE* out);

  /// Plays the step and prints it; returns what the host saw the plug-in do in it.
  Observation Run(const Step& step);
  void PrintVerdict() const;
  bool Coherent() const { return verdict_ == Verdict::kCoherent; }
  Verdict verdict() const { return verdict_; }
  /// The rows of the last fill of the error report (none before the first).
  const std::vector<std::string>& reportRows() const { return reportRows_; }
  /// The findings behind those rows, one JSON entry per row (see FindingsApi::Read).
  const Json& reportFindings() const { return reportFindings_; }
  /// The window of that fill, as the plug-in's UI log names it (0 before the first).
  VantelUiWindow reportWindow() const { return reportWindow_; }

  /// From the UI hook, while a step runs: takes the plug-in's UI events and prints the error
  /// report as it was filled or shown since the last look, at once; message boxes wait for
  /// the step's end, as before.
  /// True when the report was filled again.
  bool TakeShownReports();

  /// Told what the host saw in each step, nested steps included, as Run returns it.
  std::function<void(const Observation&)> onSeen;

 private:
  void Play(const Step& step);
  void PrintTitle(const Step& step);
  void Print(const Observation& seen, const UiEvents& events);
  /// Keeps the last fill of `events` as the report's rows and findings.
  void TakeReport(const UiEvents& events);
  void PrintReport(const UiEvents& events);
  void Judge(const Step& step, const Observation& seen);

  Kalbrix& kalbrix_;
  HostService& service_;
  UiEventLog& uiLog_;
  PluginExports exports_;
  FILE* out_;
  Verdict verdict_ = Verdict::kNotChecked;
  std::vector<std::string> reportRows_;
  Json reportFindings_ = Json::array();
  VantelUiWindow reportWindow_ = 0;
  UiEvents held_;  // taken from the hook, printed with the step
};

}  // namespace vantel::host
