// vantel-host: the reference host. Loads libvantel.so from beside itself, exports ACTIONDLL,
// serves a Kalbrix read from a JSON file and drives the plug-in's flows.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "actions.h"
#include "check_many.h"
#include "cli_options.h"
#include "host_service.h"
#include "kalbrix.h"
#include "plugin_loader.h"
#include "serve.h"
#include "steps.h"
#include "ui_events.h"
#include "vantel/host_abi.h"
#include "wheel.h"

namespace vantel::host {
namespace {

[[noreturn]] void BadInput(const std::string& message) {
  std::fprintf(stderr, "vantel-host: %s\n", message.c_str());
  std::exit(2);
}

int Version(const Options& options) {
  Kalbrix none;
  HostService service(none, options.language, nullptr);
  InstallHostService(&service);
  LoadedPlugin plugin;
  const auto [version, language] = plugin.Handshake(0);
  InstallHostService(nullptr);
  std::printf("plug-in version %d.%d, language %d\n", version >> 16, version & 0xFFFF, language);
  return version > 0 ? 0 : 1;
}

Kalbrix Load(const Options& options, Json* document) {
  try {
    return LoadKalbrix(options.files.at(0), document);
  } catch (const KalbrixError& error) {
    BadInput(error.what());
  }
}

struct RunResult {
  Verdict verdict = Verdict::kNotChecked;
  std::vector<std::string> reportRows;
  Json reportFindings;
};

/// Handshake, the open and the steps, printing what the plug-in did to `out`.
RunResult RunPlugin(const Options& options, Kalbrix& kalbrix, HostService& service, FILE* out,
                    ActionPlayer* action = nullptr) {
  UiEventLog uiLog;
  InstallHostService(&service);
  RunResult result;
  {
    LoadedPlugin plugin;
    const auto [version, language] = plugin.Handshake(0);
    if (version <= 0) BadInput("the plug-in refused the host (handshake answered 0)");
    std::fprintf(out, "plug-in version %d.%d, language %d\n", version >> 16, version & 0xFFFF,
                 language);
    service.TakeObservation();
    uiLog.TakeNew();

    StepRunner runner(kalbrix, service, uiLog, plugin.Exports(), out);
    runner.Run(Step{StepKind::kOpen, kalbrix.descriptor, 0, 0, false});
    for (const Step& step : options.steps) runner.Run(step);
    if (action)
      action->Play(runner, kalbrix, [&plugin](const char* name) { return plugin.Symbol(name); });
    runner.PrintVerdict();
    result = {runner.verdict(), runner.reportRows(), runner.reportFindings()};
  }
  InstallHostService(nullptr);
  return result;
}

int Check(const Options& options) {
  Json document;
  Kalbrix kalbrix = Load(options, &document);
  for (const Step& step : options.steps) {
    std::string error;
    if (!StepFitsKalbrix(step, kalbrix, &error)) BadInput(options.files[0] + ": " + error);
  }

  ActionPlayer action(options.action, stdout);
  if (std::string error; !action.Prepare(&error)) BadInput(error);

  const Kalbrix before = options.write ? kalbrix : Kalbrix{};
  HostService service(kalbrix, options.language, options.trace ? stdout : nullptr);
  const RunResult run = RunPlugin(options, kalbrix, service, stdout, &action);
  const int status = run.verdict == Verdict::kCoherent ? 0 : 1;
  // A script that could not go on is a failed test: nothing of the run is written.
  if (!action.failure().empty()) BadInput(action.failure());

  // With the dialog's snapshots, the wheel of the tables as the dialog left them.
  if (!options.action.snapshots.empty()) {
    WheelInput input = WheelInputOf(kalbrix, service);
    input.verdict = VerdictName(run.verdict);
    input.reportRows = run.reportRows;
    input.reportFindings = run.reportFindings;
    input.language = HostLanguageOf(options.language);
    const std::string path = options.action.snapshots + "/wheel.svg";
    try {
      WriteFileAtomically(path, DrawWheel(input));
    } catch (const KalbrixError& error) {
      BadInput(error.what());
    }
    std::printf("picture: %s\n", path.c_str());
  }

  if (options.write) {
    const std::string& file = options.files[0];
    size_t written = 0;
    try {
      written = WriteChangedValues(file, document, before, kalbrix, service.WrittenItems());
    } catch (const KalbrixError& error) {
      BadInput(error.what());
    }
    if (written == 0)
      std::printf("nothing written back to %s: the plug-in changed no value\n", file.c_str());
    else
      std::printf("written back: %zu item(s) to %s\n", written, file.c_str());
  }
  return status;
}

// Several files or a folder, or results for a CI system: one result per file.
int CheckFiles(const Options& options) {
  std::vector<std::unique_ptr<ResultSink>> owned;
  owned.push_back(options.format == OutputFormat::kJson ? JsonLines(stdout) : TextLines(stdout));
  CheckManyOptions many{options.steps, options.write, options.trace ? stdout : nullptr,
                        options.language};
  try {
    if (!options.junit.empty()) owned.push_back(JUnitReport(options.junit));
    std::vector<ResultSink*> sinks;
    for (const auto& sink : owned) sinks.push_back(sink.get());
    return CheckMany(options.files, many, sinks);
  } catch (const KalbrixError& error) {
    BadInput(error.what());
  }
}

bool OneFileStepByStep(const Options& options) {
  return options.files.size() == 1 && !std::filesystem::is_directory(options.files[0]) &&
         options.format == OutputFormat::kText && options.junit.empty();
}

// The picture is drawn from the tables as the open left them: upgraded and regenerated
// tables are the ones the plug-in wrote into the Kalbrix.
int Wheel(const Options& options) {
  Kalbrix kalbrix = Load(options, nullptr);
  HostService service(kalbrix, options.language, nullptr);
  const RunResult run = RunPlugin(options, kalbrix, service, options.svg.empty() ? stderr : stdout);

  WheelInput input = WheelInputOf(kalbrix, service);
  input.verdict = VerdictName(run.verdict);
  input.reportRows = run.reportRows;
  input.reportFindings = run.reportFindings;
  input.language = HostLanguageOf(options.language);
  const std::string svg = DrawWheel(input);
  const int status = run.verdict == Verdict::kCoherent ? 0 : 1;
  if (options.svg.empty()) {
    std::fwrite(svg.data(), 1, svg.size(), stdout);
    return status;
  }
  try {
    WriteFileAtomically(options.svg, svg);
  } catch (const KalbrixError& error) {
    BadInput(error.what());
  }
  std::printf("picture: %s\n", options.svg.c_str());
  return status;
}

}  // namespace
}  // namespace vantel::host

int main(int argc, char** argv) {
  using namespace vantel::host;
  if (argc < 2) {
    std::fputs(UsageText().c_str(), stderr);
    return 2;
  }
  Options options;
  try {
    options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& error) {
    BadInput(error.what());
  }
  if (options.help) {
    std::fputs(HelpText(options.command).c_str(), stdout);
    return 0;
  }
  try {
    if (options.command == "version") return Version(options);
    if (options.command == "wheel") return Wheel(options);
    if (options.command == "serve")
      return Serve(ServeOptions{options.files, options.port, options.language}, stdout);
    if (options.command == "check" && !OneFileStepByStep(options)) return CheckFiles(options);
    return Check(options);
  } catch (const PluginError& error) {
    BadInput(error.what());
  } catch (const KalbrixError& error) {
    BadInput(error.what());
  } catch (const ServeError& error) {
    BadInput(error.what());
  }
}
