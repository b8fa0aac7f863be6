// vantel-host: the reference host. Loads libvantel.so from beside itself, exports ACTIONDLL,
// serves a Kalbrix read from a JSON file and drives the plug-in's flows.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "actions.h"
#include "check_many.h"
#include "cli_options.h"
#include "diff.h"
#include "kalbrix.h"
#include "plugin_loader.h"
#include "result.h"
#include "sarif.h"
#include "serve.h"
#include "session.h"
#include "steps.h"
#include "vocabulary.h"
#include "wheel.h"

namespace vantel::host {
namespace {

int Version(const Options& options) {
  HostSession session(options.language);
  const HandshakeResult plugin = session.Load();
  std::printf("plug-in version %d.%d, language %d\n", plugin.version >> 16, plugin.version & 0xFFFF,
              plugin.language);
  return plugin.accepted() ? 0 : 1;
}

/// Handshake, the open and the steps, printing what the plug-in did to `out`.
std::optional<Failure> RunPlugin(const Options& options, HostSession& session,
                                 SessionMachine& machine, FILE* out,
                                 ActionPlayer* action = nullptr) {
  const HandshakeResult plugin = session.Load();
  if (!plugin.accepted()) return Failure{"the plug-in refused the host (handshake answered 0)"};
  std::fprintf(out, "plug-in version %d.%d, language %d\n", plugin.version >> 16,
               plugin.version & 0xFFFF, plugin.language);
  session.Open(machine);
  for (const Step& step : options.steps) session.Step(machine, step);
  if (action) action->Play(session, machine);
  std::fprintf(out, "%sresult: %s\n", LogLineOpening(LogLineKind::kRequest).data(),
               VerdictName(machine.verdict()));
  return std::nullopt;
}

int StatusOf(const SessionMachine& machine) {
  return machine.verdict() == Verdict::kCoherent ? 0 : 1;
}

Result<int> Check(const Options& options) {
  HostSession session(options.language);
  const Result<SessionMachine*> added =
      session.Add(options.files.at(0), stdout, options.trace ? stdout : nullptr);
  if (!added) return Failure{added.error()};
  SessionMachine& machine = **added;
  for (const Step& step : options.steps) {
    std::string error;
    if (!StepFitsKalbrix(step, machine.kalbrix(), &error))
      return Failure{options.files[0] + ": " + error};
  }

  ActionPlayer action(options.action, stdout);
  if (std::string error; !action.Prepare(&error)) return Failure{error};

  if (std::optional<Failure> failed = RunPlugin(options, session, machine, stdout, &action))
    return *failed;
  const int status = StatusOf(machine);
  // A script that could not go on is a failed test: nothing of the run is written.
  if (!action.failure().empty()) return Failure{action.failure()};

  // With the dialog's snapshots, the wheel of the tables as the dialog left them.
  if (!options.action.snapshots.empty()) {
    const std::string path = options.action.snapshots + "/wheel.svg";
    try {
      WriteFileAtomically(path, DrawWheel(session.Picture(machine)));
    } catch (const KalbrixError& error) {
      return Failure{error.what()};
    }
    std::printf("picture: %s\n", path.c_str());
  }

  if (options.write) {
    const SaveOutcome written = session.WriteBack(machine);
    if (written.kind == SaveOutcome::Kind::kFailed) return Failure{written.reason};
    // The check's own lines are English whatever the plug-in is asked to speak.
    std::printf("%s\n", SaveOutcomeLine(written, machine.file(), HostLanguage::kEnglish).c_str());
  }
  return status;
}

// Several files or a folder, or results for a CI system: one result per file.
Result<int> CheckFiles(const Options& options) {
  std::vector<std::unique_ptr<ResultSink>> owned;
  switch (options.format) {
    case OutputFormat::kText:
    case OutputFormat::kMarkdown:  // the command line gives it to diff alone
      owned.push_back(TextLines(stdout));
      break;
    case OutputFormat::kJson:
      owned.push_back(JsonLines(stdout));
      break;
    case OutputFormat::kSarif:
      owned.push_back(SarifLog(stdout));
      break;
  }
  CheckManyOptions many{
      options.steps, options.write, options.trace ? stdout : nullptr, options.language, {}};
  try {
    if (!options.junit.empty()) owned.push_back(JUnitReport(options.junit));
    std::vector<ResultSink*> sinks;
    for (const auto& sink : owned) sinks.push_back(sink.get());
    return CheckMany(options.files, many, sinks);
  } catch (const KalbrixError& error) {
    return Failure{error.what()};
  }
}

bool OneFileStepByStep(const Options& options) {
  return options.files.size() == 1 && !std::filesystem::is_directory(options.files[0]) &&
         options.format == OutputFormat::kText && options.junit.empty();
}

// The picture is drawn from the tables as the open left them: upgraded and regenerated
// tables are the ones the plug-in wrote into the Kalbrix.
Result<int> Wheel(const Options& options) {
  HostSession session(options.language);
  const Result<SessionMachine*> added =
      session.Add(options.files.at(0), options.svg.empty() ? stderr : stdout);
  if (!added) return Failure{added.error()};
  SessionMachine& machine = **added;
  if (std::optional<Failure> failed =
          RunPlugin(options, session, machine, options.svg.empty() ? stderr : stdout))
    return *failed;

  const std::string svg = DrawWheel(session.Picture(machine));
  const int status = StatusOf(machine);
  if (options.svg.empty()) {
    std::fwrite(svg.data(), 1, svg.size(), stdout);
    return status;
  }
  try {
    WriteFileAtomically(options.svg, svg);
  } catch (const KalbrixError& error) {
    return Failure{error.what()};
  }
  std::printf("picture: %s\n", options.svg.c_str());
  return status;
}

Result<int> RunCommand(const Options& options) {
  if (options.command == "version") return Version(options);
  if (options.command == "wheel") return Wheel(options);
  if (options.command == "diff")
    return Diff(
        {options.files.at(0), options.files.at(1), options.format, options.svg, options.language},
        stdout);
  if (options.command == "serve")
    return Serve(ServeOptions{options.files, options.port, options.language}, stdout);
  if (options.command == "check" && !OneFileStepByStep(options)) return CheckFiles(options);
  return Check(options);
}

}  // namespace
}  // namespace vantel::host

int main(int argc, char** argv) {
  using namespace vantel::host;
  if (argc < 2) {
    std::fputs(UsageText().c_str(), stderr);
    return 2;
  }
  // Bad input of any kind: one line on stderr and status 2.
  const auto badInput = [](const std::string& message) {
    std::fprintf(stderr, "vantel-host: %s\n", message.c_str());
    return 2;
  };
  Options options;
  try {
    options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& error) {
    return badInput(error.what());
  }
  if (options.help) {
    std::fputs(HelpText(options.command).c_str(), stdout);
    return 0;
  }
  try {
    const Result<int> status = RunCommand(options);
    return status ? *status : badInput(status.error());
  } catch (const PluginError& error) {
    return badInput(error.what());
  } catch (const KalbrixError& error) {
    return badInput(error.what());
  } catch (const ServeError& error) {
    return badInput(error.what());
  }
}
