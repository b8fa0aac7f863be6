#pragma once
// The command line of vantel-host: a command, then its files and options in any order, and
// the help of each command.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "actions.h"
#include "steps.h"

namespace vantel::host {

/// A command line the host cannot run: the message is one line, ready for stderr.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class OutputFormat { kText, kJson, kSarif, kMarkdown };

struct Options {
  /// "version", "check", "wheel", "edit", "mapscale", "serve" or "diff"; "" with `help` for the
  /// whole help.
  std::string command;
  /// check: the files and folders; wheel, edit, mapscale: the one file; diff: OLD and NEW.
  std::vector<std::string> files;
  /// `--help` after a command, or `help [COMMAND]`: print the help and do nothing else.
  bool help = false;
  std::string svg;  // wheel, diff --svg OUT
  bool trace = false;
  bool write = false;
  int32_t language = 1033;
  std::vector<Step> steps;
  ActionOptions action;  // edit, mapscale
  OutputFormat format = OutputFormat::kText;
  std::string junit;  // check --junit OUT
  int port = 0;       // serve --port N
};

/// The arguments after the program's name; UsageError names the first problem.
Options ParseOptions(const std::vector<std::string>& args);

/// The usage lines of every command.
std::string UsageText();

/// The usage and help of `command`, or of every command for "".
std::string HelpText(const std::string& command);

}  // namespace vantel::host
