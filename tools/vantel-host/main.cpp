// vantel-host: the reference host. Loads libvantel.so from beside itself, exports ACTIONDLL,
// serves a Kalbrix read from a JSON file and drives the plug-in's flows.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "actions.h"
#include "host_service.h"
#include "kalbrix.h"
#include "steps.h"
#include "ui_events.h"
#include "vantel/host_abi.h"
#include "wheel.h"

namespace vantel::host {
namespace {

constexpr const char* kUsage =
    "usage: vantel-host version [--language LCID]\n"
    "       vantel-host check FILE [--trace] [--write] [--language LCID] [--then STEP]...\n"
    "       vantel-host wheel FILE [--svg OUT] [--language LCID]\n"
    "       vantel-host edit FILE [--script FILE|-] [--snapshots DIR] [--interactive] [--write]\n"
    "                        [--trace] [--language LCID]\n"
    "       vantel-host mapscale FILE --rail 1|2 [the options of edit]\n"
    "       vantel-host --help\n";

constexpr const char* kHelp =
    "\n"
    "check FILE  handshake, then open the configuration of the Kalbrix in FILE (RUNSETEMG with\n"
    "            the file's \"descriptor\" item as action key) and print what the plug-in did:\n"
    "            the error report rows, the ConfigState as the host sees it (the marks on the\n"
    "            EngineTable item), the functions, supervisions and data items switched on and\n"
    "            off, the tables rewritten, the option and injection words.\n"
    "  --then STEP   after the open, play one more step (repeatable, in order):\n"
    "      save              SAVSETEMG with the action key (is the save refused?)\n"
    "      close             CLSSETEMG with the action key\n"
    "      open              RUNSETEMG again\n"
    "      connect           CONSETEMG (the machine's connection came up)\n"
    "      value:ITEM        VALSETEMG for ITEM (a value changed)\n"
    "      sensors[:ITEM]    SENSETEMG (default ITEM: the descriptor's sensor table)\n"
    "      status[:ITEM]     CMDSETEMG (default ITEM: the descriptor's flywheel status list)\n"
    "      set:ITEM=V        give the integer item ITEM the value V (no notification)\n"
    "      set:ITEM[W]=V     give word W of the word table ITEM the value V (no notification)\n"
    "  --trace       print every request and reply (code name, item, payload)\n"
    "  --write       after the run, put the values the plug-in wrote (REQ_ITEM_WRITE) into\n"
    "                FILE through a temporary file and a rename; set: edits stay unsaved\n"
    "  --language L  the language the host answers to the handshake (default 1033)\n"
    "\n"
    "wheel FILE  the same open, then a picture of the engine cycle as the configuration tables\n"
    "            hold it after the open (teeth, missing and extra teeth, reference marks, TDCs\n"
    "            by bank with their measurement windows, phases, a legend with the report)\n"
    "  --svg OUT     write the SVG to OUT through a temporary file and a rename, and print the\n"
    "                run as check does; without it the SVG goes to stdout and the run to stderr\n"
    "\n"
    "edit FILE   the same open, then the edit action (DEBSETEMG) with the main dialog played by\n"
    "            a script of UI steps; then each table the plug-in asks to send is reported sent\n"
    "            (FEMSETEMG, or ERRSETEMG for an item the file gives an errorCode) and the action\n"
    "            ended (RSTSETEMG); printed as check prints, with the script's steps\n"
    "mapscale FILE --rail 1|2   the same with the map scale action of rail 1 (RM0SETEMG) or 2\n"
    "  --script F    the steps, one a line (F - : standard input): tab N|TEXT, click ID,\n"
    "                choose ID N|\"TEXT\", dismiss ID N|\"TEXT\", type ID \"TEXT\", ok, cancel,\n"
    "                help ID, answer ok|cancel|yes|no, snapshot NAME, show,\n"
    "                expect ID text \"TEXT\"|checked yes|no|enabled yes|no|items \"TEXT\"...\n"
    "                (docs/reference-host.md); a step that fails stops the run with status 2\n"
    "  --interactive the steps typed at standard input, the window printed before each (the\n"
    "                default without --script when standard input is a terminal)\n"
    "  --snapshots D an SVG in D of each window that opens and of the window after each step\n"
    "  --write, --trace, --language as for check\n"
    "\n"
    "exit status: 0 coherent after the last step, 1 not coherent, 2 bad input (a missing or\n"
    "malformed file, an item of the wrong shape, a bad option or step): a one-line message\n"
    "on stderr and the file left as it was.\n";

struct Options {
  std::string command;
  std::string file;
  std::string svg;  // wheel --svg OUT
  bool trace = false;
  bool write = false;
  int32_t language = 1033;
  std::vector<Step> steps;
  ActionOptions action;  // edit, mapscale
};

[[noreturn]] void BadInput(const std::string& message) {
  std::fprintf(stderr, "vantel-host: %s\n", message.c_str());
  std::exit(2);
}

Options ParseOptions(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    std::exit(2);
  }
  Options options;
  options.command = argv[1];
  if (options.command == "--help" || options.command == "-h" || options.command == "help") {
    std::fputs(kUsage, stdout);
    std::fputs(kHelp, stdout);
    std::exit(0);
  }
  const bool check = options.command == "check";
  const bool wheel = options.command == "wheel";
  const bool action = options.command == "edit" || options.command == "mapscale";
  if (options.command != "version" && !check && !wheel && !action)
    BadInput("unknown command \"" + options.command + "\" (try --help)");
  int i = 2;
  if (check || wheel || action) {
    if (argc < 3 || argv[2][0] == '-') BadInput(options.command + " needs a Kalbrix file");
    options.file = argv[i++];
  }
  std::string actionError;
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--language" && hasValue) {
      char* end = nullptr;
      options.language = static_cast<int32_t>(std::strtol(argv[++i], &end, 0));
      if (*end != '\0') BadInput("--language needs a number");
    } else if (arg == "--trace" && (check || action)) {
      options.trace = true;
    } else if (arg == "--write" && (check || action)) {
      options.write = true;
    } else if (arg == "--svg" && hasValue && wheel && options.svg.empty()) {
      options.svg = argv[++i];
      if (options.svg.empty()) BadInput("--svg needs a file name");
    } else if (arg == "--then" && hasValue && check) {
      std::string error;
      const auto step = ParseStep(argv[++i], &error);
      if (!step) BadInput(error);
      options.steps.push_back(*step);
    } else if (action && TakeActionOption(argc, argv, i, &options.action, &actionError)) {
      if (!actionError.empty()) BadInput(actionError);
    } else {
      BadInput("unexpected argument \"" + arg + "\" (try --help)");
    }
  }
  if (action && !FinishActionOptions(options.command, &options.action, &actionError))
    BadInput(actionError);
  return options;
}

std::string PluginPath() {
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return "libvantel.so";
  exe[n] = '\0';
  std::string dir(exe);
  return dir.substr(0, dir.rfind('/') + 1) + "libvantel.so";
}

/// The loaded plug-in; unloading runs its ExitInstance.
class Plugin {
 public:
  Plugin() {
    const std::string path = PluginPath();
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) BadInput("cannot load " + path + ": " + dlerror());
  }
  ~Plugin() { dlclose(handle_); }
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  template <typename F>
  F Export(const char* name) const {
    void* symbol = dlsym(handle_, name);
    if (!symbol) BadInput(std::string("the plug-in exports no ") + name);
    return reinterpret_cast<F>(symbol);
  }

  /// {version, language}; {0, 0} when the plug-in refused the host.
  std::pair<int32_t, int32_t> Handshake(int32_t hostIndex) const {
    auto* index = static_cast<int32_t*>(std::malloc(sizeof(int32_t)));
    *index = hostIndex;
    HostBuffer record{-1, index};
    Export<void (*)(HostBuffer*)>("VANTEL100")(&record);
    int32_t answer[2] = {0, 0};
    if (record.len == 8 && record.data) std::memcpy(answer, record.data, sizeof answer);
    // The plug-in never frees what the host passed; its answer is the host's to free too.
    if (record.data != index) std::free(record.data);
    std::free(index);
    return {answer[0], answer[1]};
  }

 private:
  void* handle_ = nullptr;
};

int Version(const Options& options) {
  Kalbrix none;
  HostService service(none, options.language, nullptr);
  InstallHostService(&service);
  Plugin plugin;
  const auto [version, language] = plugin.Handshake(0);
  InstallHostService(nullptr);
  std::printf("plug-in version %d.%d, language %d\n", version >> 16, version & 0xFFFF, language);
  return version > 0 ? 0 : 1;
}

Kalbrix Load(const Options& options, Json* document) {
  try {
    return LoadKalbrix(options.file, document);
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
    Plugin plugin;
    const auto [version, language] = plugin.Handshake(0);
    if (version <= 0) BadInput("the plug-in refused the host (handshake answered 0)");
    std::fprintf(out, "plug-in version %d.%d, language %d\n", version >> 16, version & 0xFFFF,
                 language);
    service.TakeObservation();
    uiLog.TakeNew();

    const PluginExports exports =
        LoadExports([&plugin](const char* name) { return plugin.Export<void*>(name); });
    StepRunner runner(kalbrix, service, uiLog, exports, out);
    runner.Run(Step{StepKind::kOpen, kalbrix.descriptor, 0, 0, false});
    for (const Step& step : options.steps) runner.Run(step);
    if (action)
      action->Play(runner, kalbrix,
                   [&plugin](const char* name) { return plugin.Export<void*>(name); });
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
    if (!StepFitsKalbrix(step, kalbrix, &error)) BadInput(options.file + ": " + error);
  }

  ActionPlayer action(options.action, stdout);
  if (std::string error; !action.Prepare(&error)) BadInput(error);

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
    try {
      WriteFileAtomically(options.file,
                          DumpKalbrix(PatchValues(document, kalbrix, service.WrittenItems())));
    } catch (const KalbrixError& error) {
      BadInput(error.what());
    }
    std::printf("written back: %zu item(s) to %s\n", service.WrittenItems().size(),
                options.file.c_str());
  }
  return status;
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
  const Options options = ParseOptions(argc, argv);
  if (options.command == "version") return Version(options);
  if (options.command == "wheel") return Wheel(options);
  return Check(options);
}
