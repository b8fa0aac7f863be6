#include "cli_options.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <set>

namespace vantel::host {

namespace {

enum CommandBit : unsigned {
  kVersion = 1,
  kCheck = 2,
  kWheel = 4,
  kEdit = 8,
  kMapScale = 16,
  kServe = 32,
  kDiff = 64
};
constexpr unsigned kActionCommands = kEdit | kMapScale;
constexpr unsigned kEveryCommand = kVersion | kCheck | kWheel | kActionCommands | kServe | kDiff;

// The languages the plug-in has resources for, by the codes of the handshake.
constexpr int32_t kEnglish = 1033;
constexpr int32_t kFrench = 1036;

struct CommandSpec {
  const char* name;
  unsigned bit;
  const char* usage;
  const char* help;
};

constexpr std::array<CommandSpec, 7> kCommands = {{
    {"version", kVersion, "version [--language L]",
     "version     load the plug-in, shake hands and print its version and language\n"},
    {"check", kCheck,
     "check FILE|DIR... [--then STEP]... [--write] [--trace]\n"
     "                        [--format text|json|sarif] [--junit OUT] [--language L]",
     "check FILE  handshake, then open the configuration of the Kalbrix in FILE (RUNSETEMG with\n"
     "            the file's \"descriptor\" item as action key) and print what the plug-in did:\n"
     "            the error report rows, the ConfigState as the host sees it (the marks on the\n"
     "            EngineTable item), the functions, supervisions and data items switched on and\n"
     "            off, the tables rewritten, the option and injection words.\n"
     "check FILE|DIR...  several files, or folders searched with their sub-folders for the\n"
     "            *.json files that hold a Kalbrix (a JSON object with \"items\"; a file that is\n"
     "            not JSON is taken and refused), or any FILE with --format or --junit:\n"
     "            one line per file with its verdict, then a summary. The plug-in is loaded\n"
     "            once; each file is opened on its own machine index, checked and closed\n"
     "            (CLSSETEMG) before the next. The exit status is the worst of the files'.\n"
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
     "  --write       after the run, put the values the plug-in wrote (REQ_ITEM_WRITE) and\n"
     "                changed into the file (through a symbolic link, the file it names) by a\n"
     "                temporary file and a rename; set: edits stay unsaved\n"
     "  --format F    text (the default) or json: one JSON object per file, one a line (file,\n"
     "                verdict, report rows each with its finding, what was switched on and\n"
     "                off, tables rewritten), or sarif: one SARIF 2.1.0 log at the end, a\n"
     "                result per report row on the line of the item its finding names, for\n"
     "                code review (a row of a coherent file is a note)\n"
     "  --junit OUT   also write the results to OUT as a JUnit XML report: one test case per\n"
     "                file, the report rows as a failure, bad input as an error\n"},
    {"wheel", kWheel, "wheel FILE [--svg OUT] [--language L]",
     "wheel FILE  the same open, then a picture of the engine cycle as the configuration tables\n"
     "            hold it after the open (teeth, missing and extra teeth, reference marks, TDCs\n"
     "            by bank with their measurement windows, phases, a legend with the report)\n"
     "  --svg OUT     write the SVG to OUT through a temporary file and a rename, and print the\n"
     "                run as check does; without it the SVG goes to stdout and the run to "
     "stderr\n"},
    {"edit", kEdit,
     "edit FILE [--script FILE|-] [--snapshots DIR] [--interactive] [--write]\n"
     "                       [--trace] [--language L]",
     "edit FILE   the same open, then the edit action (DEBSETEMG) with the main dialog played by\n"
     "            a script of UI steps; then each table the plug-in asks to send is reported sent\n"
     "            (FEMSETEMG, or ERRSETEMG for an item the file gives an errorCode) and the "
     "action\n"
     "            ended (RSTSETEMG); when the action wrote tables, a close and an open check "
     "them,\n"
     "            so that the result and exit status are those of the configuration as written\n"
     "  --script F    the steps, one a line (F - : standard input): tab N|TEXT, click ID,\n"
     "                choose ID N|\"TEXT\", dismiss ID N|\"TEXT\", type ID \"TEXT\", ok, cancel,\n"
     "                help ID, answer ok|cancel|yes|no, snapshot NAME, show,\n"
     "                expect ID text \"TEXT\"|checked yes|no|enabled yes|no|items \"TEXT\"...\n"
     "                (docs/reference-host.md); a step that fails stops the run with status 2\n"
     "                and names the script's FILE:LINE\n"
     "  --interactive the steps typed at standard input, the window printed before each (the\n"
     "                default without --script when standard input is a terminal); \"help\"\n"
     "                lists the steps\n"
     "  --snapshots D an SVG in D of each window that opens and of the window after each step\n"
     "  --write, --trace, --language as for check\n"},
    {"mapscale", kMapScale, "mapscale FILE --rail 1|2 [the options of edit]",
     "mapscale FILE --rail 1|2   the same as edit with the map scale action of rail 1\n"
     "            (RM0SETEMG) or 2 (RM1SETEMG)\n"},
    {"serve", kServe, "serve FILE... [--port N] [--language L]",
     "serve FILE...  a page in a browser for each Kalbrix file, each a machine of one host:\n"
     "            its report, what was switched, the flywheel picture, the plug-in's dialogs\n"
     "            with real controls; check, edit, the scale data of a rail, save (the file\n"
     "            written as --write does when the plug-in does not refuse the save). Listens\n"
     "            on 127.0.0.1 only and prints the address to open, with its token; ends on\n"
     "            Ctrl-C or SIGTERM, open dialogs cancelled (docs/serve.md)\n"
     "  --port N      the port (default: a free one)\n"},
    {"diff", kDiff, "diff OLD NEW [--format text|json|markdown] [--svg OUT] [--language L]",
     "diff OLD NEW  both files opened by the plug-in, then what changed from OLD to NEW in the\n"
     "            words of the configuration (cylinders, TDCs, banks, flywheel, ignition,\n"
     "            injection, phases, rail map scales), the flywheel description tables\n"
     "            regenerated or not, the functions, supervisions and data items switched, any\n"
     "            other item by name and value; then each file's verdict and the report rows\n"
     "            that appeared and went. Two files of different ECUs are refused. The exit\n"
     "            status is NEW's verdict's\n"
     "  --format F    text (the default), json for tools or markdown for a review comment\n"
     "  --svg OUT     also the flywheel picture of NEW with what changed from OLD marked\n"},
}};

constexpr const char* kCommonHelp =
    "options come before or after the files; --language L is en, fr or a language code\n"
    "(1033, 1036): the language the host answers to the handshake (default en)\n";

constexpr const char* kExitHelp =
    "exit status: 0 coherent after the last step, 1 not coherent, 2 bad input (a missing or\n"
    "malformed file, an item of the wrong shape, a bad option or step): a one-line message\n"
    "on stderr and the file left as it was.\n";

const CommandSpec* FindCommand(const std::string& name) {
  for (const CommandSpec& command : kCommands)
    if (name == command.name) return &command;
  return nullptr;
}

int32_t ParseLanguage(const std::string& value) {
  if (value == "en") return kEnglish;
  if (value == "fr") return kFrench;
  errno = 0;
  char* end = nullptr;
  const long code = std::strtol(value.c_str(), &end, 0);
  if (value.empty() || *end != '\0' || errno != 0 || code <= 0 || code > INT32_MAX)
    throw UsageError("--language takes en, fr or a language code such as 1033, not \"" + value +
                     "\"");
  return static_cast<int32_t>(code);
}

void NotAFolder(const std::string& option, const std::string& path) {
  if (std::filesystem::is_directory(path))
    throw UsageError(option + " " + path + ": is a folder, not a file");
}

using Take = void (*)(Options&, const std::string& value);

struct OptionRule {
  const char* name;
  const char* value;  // nullptr: a flag
  unsigned commands;
  bool repeats;
  Take take;
};

int ParsePort(const std::string& value) {
  errno = 0;
  char* end = nullptr;
  const long port = std::strtol(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0' || errno != 0 || port < 0 || port > 65535)
    throw UsageError("--port takes a port number from 0 to 65535, not \"" + value + "\"");
  return static_cast<int>(port);
}

constexpr std::array<OptionRule, 12> kOptions = {{
    {"--language", "L", kEveryCommand, false,
     [](Options& o, const std::string& v) { o.language = ParseLanguage(v); }},
    {"--trace", nullptr, kCheck | kActionCommands, true,
     [](Options& o, const std::string&) { o.trace = true; }},
    {"--write", nullptr, kCheck | kActionCommands, true,
     [](Options& o, const std::string&) { o.write = true; }},
    {"--then", "STEP", kCheck, true,
     [](Options& o, const std::string& v) {
       std::string error;
       const auto step = ParseStep(v, &error);
       if (!step) throw UsageError(error);
       o.steps.push_back(*step);
     }},
    {"--format", "text|json|sarif|markdown", kCheck | kDiff, false,
     [](Options& o, const std::string& v) {
       // SARIF is for a check's findings, Markdown for a review comment on a change.
       const bool diff = o.command == "diff";
       if (v == "text")
         o.format = OutputFormat::kText;
       else if (v == "json")
         o.format = OutputFormat::kJson;
       else if (v == "sarif" && !diff)
         o.format = OutputFormat::kSarif;
       else if (v == "markdown" && diff)
         o.format = OutputFormat::kMarkdown;
       else
         throw UsageError(std::string("--format is text, json or ") +
                          (diff ? "markdown" : "sarif") + ", not \"" + v + "\"");
     }},
    {"--junit", "OUT", kCheck, false,
     [](Options& o, const std::string& v) {
       NotAFolder("--junit", v);
       o.junit = v;
     }},
    {"--svg", "OUT", kWheel | kDiff, false,
     [](Options& o, const std::string& v) {
       NotAFolder("--svg", v);
       o.svg = v;
     }},
    {"--script", "FILE", kActionCommands, false,
     [](Options& o, const std::string& v) {
       NotAFolder("--script", v);
       o.action.script = v;
     }},
    {"--snapshots", "DIR", kActionCommands, false,
     [](Options& o, const std::string& v) { o.action.snapshots = v; }},
    {"--interactive", nullptr, kActionCommands, true,
     [](Options& o, const std::string&) { o.action.interactive = true; }},
    {"--rail", "1|2", kMapScale, false,
     [](Options& o, const std::string& v) {
       if (v != "1" && v != "2") throw UsageError("--rail is 1 or 2, not \"" + v + "\"");
       o.action.rail = v[0] - '0';
     }},
    {"--port", "N", kServe, false, [](Options& o, const std::string& v) { o.port = ParsePort(v); }},
}};

/// "check, edit and mapscale".
std::string CommandNames(unsigned commands) {
  std::vector<std::string> names;
  for (const CommandSpec& command : kCommands)
    if (commands & command.bit) names.push_back(command.name);
  std::string out;
  for (size_t i = 0; i < names.size(); ++i)
    out += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
  return out;
}

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

void CheckFiles(const CommandSpec& command, const Options& options) {
  const std::string name = command.name;
  if (command.bit == kVersion) {
    if (!options.files.empty())
      throw UsageError("version takes no file: \"" + options.files[0] + "\"");
    return;
  }
  if (options.files.empty())
    throw UsageError(name + (command.bit == kCheck   ? " needs a Kalbrix file or folder"
                             : command.bit == kServe ? " needs one Kalbrix file or more"
                                                     : " needs a Kalbrix file"));
  if (command.bit == kCheck) return;
  if (command.bit == kDiff) {
    if (options.files.size() != 2)
      throw UsageError("diff takes two Kalbrix files, OLD and NEW, not " +
                       std::to_string(options.files.size()));
    for (const std::string& file : options.files)
      if (std::filesystem::is_directory(file))
        throw UsageError(file + ": is a folder: diff takes two Kalbrix files");
    return;
  }
  if (command.bit == kServe) {
    for (const std::string& file : options.files)
      if (std::filesystem::is_directory(file))
        throw UsageError(file + ": is a folder: serve takes Kalbrix files");
    return;
  }
  if (options.files.size() > 1)
    throw UsageError(name + " takes one Kalbrix file: \"" + options.files[1] +
                     "\" is one too many (check takes several)");
  if (std::filesystem::is_directory(options.files[0]))
    throw UsageError(options.files[0] + ": is a folder: " + name +
                     " takes one Kalbrix file (check takes folders)");
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError("no command (try vantel-host --help)");
  Options options;
  if (IsHelp(args[0]) || args[0] == "help") {
    options.help = true;
    if (args[0] == "help" && args.size() > 1) {
      if (!FindCommand(args[1]))
        throw UsageError("unknown command \"" + args[1] + "\" (try vantel-host --help)");
      options.command = args[1];
    }
    return options;
  }
  const CommandSpec* command = FindCommand(args[0]);
  if (!command) throw UsageError("unknown command \"" + args[0] + "\" (try vantel-host --help)");
  options.command = command->name;
  const std::string tryHelp = " (try vantel-host " + options.command + " --help)";

  for (size_t i = 1; i < args.size(); ++i)
    if (IsHelp(args[i])) {
      options.help = true;
      return options;
    }

  std::set<std::string> given;
  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      options.files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const OptionRule* known = nullptr;
    for (const OptionRule& option : kOptions)
      if (arg == option.name) known = &option;
    if (!known) throw UsageError("unknown option \"" + arg + "\"" + tryHelp);
    if (!(known->commands & command->bit))
      throw UsageError(arg + " belongs to " + CommandNames(known->commands) + ", not to " +
                       options.command + tryHelp);
    if (!known->repeats && !given.insert(arg).second) throw UsageError(arg + " is given twice");
    if (!known->value) {
      known->take(options, "");
      continue;
    }
    // No value of these starts with "--": one that does is the next option.
    if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0 || args[i + 1].empty())
      throw UsageError(arg + " needs a value: " + arg + " " + known->value);
    known->take(options, args[++i]);
  }

  CheckFiles(*command, options);
  if (options.format != OutputFormat::kText && options.trace)
    throw UsageError("--trace prints on the standard output, where --format " +
                     std::string(options.format == OutputFormat::kJson ? "json" : "sarif") +
                     " puts its results");
  if (command->bit & kActionCommands) {
    std::string error;
    if (!FinishActionOptions(options.command, &options.action, &error)) throw UsageError(error);
  }
  return options;
}

std::string UsageText() {
  std::string out;
  for (const CommandSpec& command : kCommands)
    out += std::string(out.empty() ? "usage: " : "       ") + "vantel-host " + command.usage + "\n";
  out += "       vantel-host COMMAND --help, vantel-host help [COMMAND]\n";
  return out;
}

std::string HelpText(const std::string& name) {
  const CommandSpec* command = FindCommand(name);
  if (!command) {
    std::string out = UsageText() + "\n";
    for (const CommandSpec& each : kCommands) out += each.help + std::string("\n");
    return out + kCommonHelp + "\n" + kExitHelp;
  }
  return "usage: vantel-host " + std::string(command->usage) + "\n\n" + command->help + "\n" +
         kCommonHelp + "\n" + kExitHelp;
}

}  // namespace vantel::host
