// The command line of vantel-host as people type it: options anywhere, help per command,
// languages by name, and one line naming whatever is wrong.
#include "cli_options.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host_run.h"

namespace vantel::host {
namespace {

namespace fs = std::filesystem;

TEST(CliOptionsTest, OptionsGoBeforeOrAfterTheFiles) {
  const std::vector<std::vector<std::string>> orders = {
      {"check", "a.json", "--write", "--then", "save", "--language", "fr", "b", "--format", "json"},
      {"check", "--write", "--then", "save", "a.json", "--language", "fr", "--format", "json", "b"},
      {"check", "--language", "fr", "--format", "json", "--then", "save", "--write", "--", "a.json",
       "b"},
  };
  for (const auto& args : orders) {
    SCOPED_TRACE(args[1] + " " + args[2]);
    const Options options = ParseOptions(args);
    EXPECT_EQ(options.command, "check");
    EXPECT_EQ(options.files, (std::vector<std::string>{"a.json", "b"}));
    EXPECT_TRUE(options.write);
    EXPECT_EQ(options.language, 1036);
    EXPECT_EQ(options.format, OutputFormat::kJson);
    ASSERT_EQ(options.steps.size(), 1u);
    EXPECT_EQ(options.steps[0].kind, StepKind::kSave);
  }
  const Options map =
      ParseOptions({"mapscale", "--script", "s", "--rail", "2", "k.json", "--snapshots", "d"});
  EXPECT_EQ(map.files, std::vector<std::string>{"k.json"});
  EXPECT_EQ(map.action.kind, ActionKind::kMapScale);
  EXPECT_EQ(map.action.rail, 2);
  EXPECT_EQ(map.action.script, "s");
  EXPECT_EQ(map.action.snapshots, "d");
}

TEST(CliOptionsTest, LanguageIsANameOrACode) {
  const std::pair<const char*, int32_t> cases[] = {
      {"en", 1033}, {"fr", 1036}, {"1036", 1036}, {"0x409", 1033}};
  for (const auto& [given, code] : cases) {
    SCOPED_TRACE(given);
    EXPECT_EQ(ParseOptions({"version", "--language", given}).language, code);
  }
}

using CliRunTest = HostRunTest;

// Every command has its help, asked either way, after any other argument too.
TEST_F(CliRunTest, EveryCommandHasItsOwnHelp) {
  for (const char* command : {"version", "check", "wheel", "edit", "mapscale"}) {
    SCOPED_TRACE(command);
    const HostRun asked = Host({command, "k.json", "--help"});
    EXPECT_EQ(asked.status, 0) << asked.err;
    EXPECT_EQ(asked.out.rfind(std::string("usage: vantel-host ") + command + " ", 0), 0u)
        << asked.out;
    EXPECT_EQ(asked.out.find("vantel-host wheel FILE") == std::string::npos,
              std::string(command) != "wheel")
        << "the help of one command, not of all";
    EXPECT_EQ(Host({"help", command}).out, asked.out);
  }
  const HostRun all = Host({"--help"});
  EXPECT_EQ(all.status, 0);
  for (const char* command : {"version", "check", "wheel", "edit", "mapscale"})
    EXPECT_NE(all.out.find(std::string("vantel-host ") + command + " "), std::string::npos);
}

// The same run whichever side of the file its options are on, as the product prints it.
TEST_F(CliRunTest, OptionsBeforeTheFileRunAsAfterIt) {
  const std::string file = Example("incoherent-five-cylinders.json").string();
  const HostRun after = Host({"check", file, "--then", "save", "--language", "en"});
  const HostRun before = Host({"check", "--language", "en", "--then", "save", file});
  EXPECT_EQ(after.status, 1) << after.err;
  EXPECT_NE(after.out.find("save refused"), std::string::npos) << after.out;
  EXPECT_EQ(before.status, after.status);
  EXPECT_EQ(before.out, after.out);
  EXPECT_EQ(Host({"version", "--language", "fr"}).out, "plug-in version 1.0, language 1036\n");
}

struct BadLine {
  std::vector<std::string> args;  // KALBRIX: a good Kalbrix file, DIR: a folder
  const char* message;
};

TEST_F(CliRunTest, ABadCommandLineGetsOneLineNamingTheProblem) {
  const BadLine cases[] = {
      {{"wheel", "DIR"}, "DIR: is a folder: wheel takes one Kalbrix file (check takes folders)"},
      {{"edit", "DIR", "--script", "s"}, "DIR: is a folder: edit takes one Kalbrix file"},
      {{"mapscale", "--rail", "1", "--script", "s", "DIR"}, "DIR: is a folder: mapscale takes"},
      {{"wheel", "KALBRIX", "KALBRIX"},
       "wheel takes one Kalbrix file: \"KALBRIX\" is one too many"},
      {{"check"}, "check needs a Kalbrix file or folder"},
      {{"version", "KALBRIX"}, "version takes no file"},
      {{"check", "KALBRIX", "--language"}, "--language needs a value: --language L"},
      {{"check", "KALBRIX", "--then", "--write"}, "--then needs a value: --then STEP"},
      {{"check", "--junit", "--write", "KALBRIX"}, "--junit needs a value: --junit OUT"},
      {{"edit", "KALBRIX", "--script"}, "--script needs a value: --script FILE"},
      {{"check", "KALBRIX", "--frobnicate"},
       "unknown option \"--frobnicate\" (try vantel-host check --help)"},
      {{"frob", "KALBRIX"}, "unknown command \"frob\" (try vantel-host --help)"},
      {{"wheel", "KALBRIX", "--then", "save"},
       "--then belongs to check, not to wheel (try vantel-host wheel --help)"},
      {{"check", "KALBRIX", "--svg", "w.svg"}, "--svg belongs to wheel and diff, not to check"},
      {{"check", "KALBRIX", "--language", "de"}, "--language takes en, fr or a language code"},
      {{"check", "KALBRIX", "--language", "en", "--language", "fr"}, "--language is given twice"},
      {{"check", "KALBRIX", "--format", "xml"}, "--format is text, json or sarif, not \"xml\""},
      {{"check", "KALBRIX", "--format", "json", "--trace"},
       "--trace prints on the standard output"},
      {{"check", "KALBRIX", "--trace", "--format", "sarif"}, "where --format sarif puts"},
      {{"check", "KALBRIX", "--junit", "DIR"}, "--junit DIR: is a folder, not a file"},
      {{"wheel", "KALBRIX", "--svg", "DIR"}, "--svg DIR: is a folder, not a file"},
      {{"edit", "KALBRIX", "--script", "DIR"}, "--script DIR: is a folder, not a file"},
      {{"mapscale", "KALBRIX", "--rail", "3", "--script", "s"}, "--rail is 1 or 2, not \"3\""},
      {{"mapscale", "KALBRIX", "--script", "s"}, "mapscale needs --rail 1 or 2"},
  };
  const std::string kalbrix = ReadFile(Example("inline4-60-2-sequential.json"));
  Write("k.json", kalbrix);
  Write("s", "ok\n");
  fs::create_directory(dir_ / "d");
  const auto expand = [](std::string text) {
    for (const auto& [name, path] : {std::pair{"KALBRIX", "k.json"}, std::pair{"DIR", "d"}})
      for (size_t at; (at = text.find(name)) != std::string::npos;)
        text.replace(at, std::string(name).size(), path);
    return text;
  };
  for (const BadLine& c : cases) {
    std::vector<std::string> args;
    for (const std::string& arg : c.args) args.push_back(expand(arg));
    SCOPED_TRACE(args[0] + " " + (args.size() > 1 ? args[1] : ""));
    const HostRun run = Host(args);
    EXPECT_EQ(run.status, 2) << run.out << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("vantel-host: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(expand(c.message)), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(ReadFile(dir_ / "k.json"), kalbrix);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 3) << "a file was left behind";
  }
}

}  // namespace
}  // namespace vantel::host
