// The host actions played by the built vantel-host: every script of examples/scripts with
// the output kept beside it, a sending that fails, steps a run cannot go on with, a person
// at the prompt. After a deliberate change write the .expected files again with
//   VANTEL_UPDATE_SCRIPTS=1 build/tools/vantel-host/vantel_host_tests --gtest_filter='Actions*'
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host_run.h"
#include "kalbrix.h"
#include "platform/string_table.h"
#include "res/string_ids.h"
#include "ui_script.h"

namespace vantel::host {
namespace {

namespace fs = std::filesystem;

using ActionsCliTest = HostRunTest;

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

void ExpectInOrder(const std::string& text, const std::vector<std::string>& parts) {
  size_t at = 0;
  for (const std::string& part : parts) {
    const size_t found = text.find(part, at);
    EXPECT_NE(found, std::string::npos) << "missing, in order: " << part << "\n" << text;
    if (found != std::string::npos) at = found + part.size();
  }
}

// Each script names the run it is made for on its first line, as a command from the top of
// the tree: "# vantel-host edit examples/FILE.json --script examples/scripts/THIS.script".
TEST_F(ActionsCliTest, EveryScriptGivesTheOutputKeptBesideIt) {
  std::vector<fs::path> scripts;
  for (const auto& entry : fs::directory_iterator(Example("scripts")))
    if (entry.path().extension() == ".script") scripts.push_back(entry.path());
  std::sort(scripts.begin(), scripts.end());
  ASSERT_GE(scripts.size(), 8u);
  const bool update = std::getenv("VANTEL_UPDATE_SCRIPTS") != nullptr;
  for (const fs::path& script : scripts) {
    SCOPED_TRACE(script.filename().string());
    const std::string text = ReadFile(script);
    std::vector<std::string> words = Words(text.substr(0, text.find('\n')));
    ASSERT_GE(words.size(), 4u);
    ASSERT_EQ(words[0] + words[1], "#vantel-host");
    words.erase(words.begin(), words.begin() + 2);
    const fs::path example = fs::path(VANTEL_SOURCE_DIR) / words[1];
    words[1] = example.filename().string();
    fs::copy_file(example, dir_ / words[1]);
    const auto scriptOption = std::find(words.begin(), words.end(), "--script");
    ASSERT_NE(scriptOption, words.end());
    ASSERT_EQ(fs::path(VANTEL_SOURCE_DIR) / *(scriptOption + 1), script);
    *(scriptOption + 1) = script.string();
    words.insert(words.end(), {"--write", "--snapshots", "snapshots"});

    const HostRun run = Host(words);
    const std::string shown = run.out + (run.err.empty() ? "" : "-- stderr\n" + run.err) +
                              "-- exit " + std::to_string(run.status) + "\n";
    fs::path expected = script;
    expected.replace_extension(".expected");
    if (update) std::ofstream(expected, std::ios::binary) << shown;
    EXPECT_EQ(shown, ReadFile(expected));

    if (run.status == 2) {
      EXPECT_EQ(ReadFile(dir_ / words[1]), ReadFile(example));
    } else {
      // The result is that of the configuration as written, not of the one opened.
      const HostRun check = Host({"check", words[1]});
      EXPECT_EQ(run.status, check.status) << check.out;
    }
    size_t opened = 0;
    for (const auto& entry : fs::directory_iterator(dir_ / "snapshots"))
      opened += entry.path().filename().string().ends_with("-open.svg") ? 1 : 0;
    EXPECT_EQ(opened, Count(run.out, "\" opens")) << "one snapshot per window that opens";
    fs::remove_all(dir_ / "snapshots");
    fs::remove(dir_ / words[1]);
  }
}

// Five tables to send; the Kalbrix refuses the second: the first is reported sent, the
// second's error shows the host's text, and the action ends without the other three.
TEST_F(ActionsCliTest, ASendingErrorInTheFileShowsItsTextAndNothingMoreIsSent) {
  Json document = ParseKalbrixText(ReadFile(Example("inline4-60-2-sequential.json")));
  for (Json& item : document["items"]) {
    if (item["name"] != "TAB_CNFSYN2_0") continue;
    item["errorCode"] = 7;
    item["errorText"] = "Checksum refused";
  }
  Write("k.json", DumpKalbrix(document));
  const std::string message = "Inline 4 bench\n" + LoadString(IDS_TRANSMISSION_ERROR) +
                              "\nChecksum refused\n" + LoadString(IDS_ACTION_ABORTED);
  std::string escaped;
  for (char c : message) escaped += c == '\n' ? std::string("\\n") : std::string(1, c);
  Write("s", "choose teeth \"34\"\nok\nexpect message text \"" + escaped + "\"\nanswer ok\n");
  const HostRun run = Host({"edit", "k.json", "--script", "s", "--snapshots", "shots"});
  EXPECT_EQ(run.status, 0) << run.err;
  // The wheel of the tables the dialog wrote: 34 teeth on each of the two turns.
  EXPECT_EQ(Count(ReadFile(dir_ / "shots" / "wheel.svg"), "data-tooth=\""), 2u * 34u);
  ExpectInOrder(run.out, {"send TAB_CNFSYN1_0 (mode -1)\n", "send TAB_CNFREG_0 (mode -1)\n",
                          "== item sent (FEMSETEMG) \"TAB_CNFSYN1_0\"",
                          "== item send error (ERRSETEMG) \"TAB_CNFSYN2_0\"",
                          "window \"VANTEL\" opens: " + OneLine(message) + "\n",
                          "message box: " + OneLine(message) + "\n",
                          "action ended: \"DSC_ENGMGT_0\"\n", "== end of action (RSTSETEMG)"});
  EXPECT_EQ(run.out.find("\"TAB_CNFANG_0\" on machine"), std::string::npos) << run.out;
}

// Accented texts in the file reach the plug-in in its code page and come back as they were:
// in the dialog's caption and list (read through the automation API), in the UI log, in the
// trace and in the file written back.
TEST_F(ActionsCliTest, AccentedNamesAndLabelsShowAsWrittenAndAreWrittenBackInUtf8) {
  Json document = ParseKalbrixText(ReadFile(Example("v8-two-rails.json")));
  document["name"] = "Moteur démo été";
  for (Json& item : document["items"])
    if (item["name"] == "SCL_RPM_0") item["label"] = "Régime – tr/min";
  document["items"].push_back(
      Json{{"name", "NOTE_ATELIER"}, {"id", 9001}, {"text", "Réglé à l’atelier, 80 €"}});
  const std::string file = DumpKalbrix(document);
  Write("k.json", file);
  const std::string caption = "Map scale data selection (rail 1) Moteur démo été";
  Write("s", "expect window text \"" + caption +
                 "\"\nexpect vertical items \"NO DATA\" \"Régime – tr/min\" \"SCL_LOAD_0\" "
                 "\"SCL_TPS_0\" \"SCL_PRAIL_0\"\nchoose vertical \"Régime – tr/min\"\nok\n");
  const HostRun run =
      Host({"mapscale", "k.json", "--rail", "1", "--script", "s", "--trace", "--write"}, "",
           {"VANTEL_UI_LOG=" + (dir_ / "ui.log").string()});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  // 15 characters and the NUL: one byte each in the code page.
  ExpectInOrder(run.out, {"> REQ_MACHINE_NAME (0x10022) \"\" in: none\n< 0 text[16] "
                          "\"Moteur démo été\"\n",
                          "window \"" + caption + "\" opens", "tables rewritten: TAB_CNFENG_0\n",
                          "written back: 1 item(s)"});

  size_t captions = 0;
  std::istringstream log(ReadFile(dir_ / "ui.log"));
  for (std::string line; std::getline(log, line);) {
    const Json event = Json::parse(line);  // throws on a line that is not UTF-8 JSON
    captions += event.value("caption", "") == caption ? 1 : 0;
  }
  EXPECT_EQ(captions, 2u) << "dialog_open and dialog_end";

  // Only the values the plug-in wrote changed; every text is the file's UTF-8 as it was.
  const Json written = ParseKalbrixText(ReadFile(dir_ / "k.json"));
  EXPECT_EQ(written["name"], "Moteur démo été");
  EXPECT_EQ(written["items"].back()["text"], "Réglé à l’atelier, 80 €");
  const std::string text = ReadFile(dir_ / "k.json");
  for (const char* line : {"\"name\": \"Moteur démo été\"", "\"label\": \"Régime – tr/min\"",
                           "\"text\": \"Réglé à l’atelier, 80 €\""})
    EXPECT_NE(text.find(line), std::string::npos) << line;
}

struct BadRun {
  const char* what;
  const char* script;  // nullptr: the script file does not exist
  std::vector<std::string> args;
  const char* message;
};

TEST_F(ActionsCliTest, AStepThatCannotBePlayedExitsTwoAndWritesNothing) {
  const BadRun cases[] = {
      {"unknown step", "tab 1\nfrobnicate 3\n", {"edit"}, "s:2: unknown step \"frobnicate\""},
      {"missing argument", "choose cylinders\n", {"edit"}, "s:1: \"choose\" takes 2"},
      {"unclosed quote", "# sync\ntype sync-rpm \"12\n", {"edit"}, "s:2: a quoted text is"},
      {"button the window lacks", "answer yes\n", {"mapscale", "--rail", "2"}, "s:1: no button 6"},
      {"failed expectation",
       "expect cylinders text \"05\"\n",
       {"edit"},
       "s:1: expect cylinders text \"05\": the text is \"04\""},
      {"control not in the window",
       "click 4242\n",
       {"edit"},
       "s:1: no control 4242 in \"Engine management configuration Inline 4 bench\""},
      {"entry not in the list", "choose cylinders \"13\"\n", {"edit"}, "s:1: no entry \"13\""},
      {"control on a hidden page", "click bank2.2\n", {"edit"}, "s:1: a user cannot click"},
      {"step after the action", "cancel\nshow\n", {"edit"}, "s:2: no window is open"},
      {"no script file", nullptr, {"edit"}, "cannot open"},
      {"mapscale without a rail", "ok\n", {"mapscale"}, "mapscale needs --rail 1 or 2"},
      {"edit with a rail", "ok\n", {"edit", "--rail", "1"}, "--rail belongs to mapscale"},
  };
  const std::string example = ReadFile(Example("inline4-60-2-sequential.json"));
  for (const BadRun& c : cases) {
    SCOPED_TRACE(c.what);
    Write("k.json", example);
    if (c.script) Write("s", c.script);
    std::vector<std::string> args = c.args;
    args.insert(args.begin() + 1, "k.json");
    args.insert(args.end(), {"--script", "s", "--write"});
    const HostRun run = Host(args);
    EXPECT_EQ(run.status, 2) << run.out << run.err;
    EXPECT_EQ(run.err.rfind("vantel-host: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(ReadFile(dir_ / "k.json"), example);
    fs::remove(dir_ / "s");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1) << "a file was left behind";
  }
}

// OK refused by the rules: the report is on screen while the dialog waits, so the host prints
// it at that turn of the loop, before the next step and before the action ends; each refusal
// prints its own fill.
TEST_F(ActionsCliTest, TheReportOfARefusedOkIsPrintedBeforeTheNextStep) {
  const std::string shown =
      "report \"" + LoadString(IDS_REPORT_TITLE) + " Prototype 5\": shown, 4 row(s)\n";
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string input;
    std::vector<std::string> inOrder;
    size_t fills;  // in the edit's part of the output
  } cases[] = {
      {"refused, then cancelled",
       {"--script", "-"},
       "ok\ncancel\n",
       {"  1> ok\n", shown, "  2> cancel\n", "action ended: \"DSC_ENGMGT_0\"\n"},
       1},
      {"refused twice",
       {"--script", "-"},
       "ok\nok\ncancel\n",
       {"  1> ok\n", shown, "  2> ok\n", shown, "  3> cancel\n", "action ended: "},
       2},
      {"at the prompt",
       {"--interactive"},
       "ok\n",
       {"step> ", shown, "step> \n", "no more steps: "},
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write("k.json", ReadFile(Example("incoherent-five-cylinders.json")));
    std::vector<std::string> args = {"edit", "k.json"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const HostRun run = Host(args, c.input);
    EXPECT_EQ(run.status, 1) << run.err;
    const std::string edit = run.out.substr(run.out.find("== edit "));
    ExpectInOrder(edit, c.inOrder);
    EXPECT_EQ(Count(edit, "report \""), c.fills) << edit;
  }
}

// A person at the prompt: the window before each step, a bad line told and asked again,
// "help" lists the steps, the end of the input gives the window up.
TEST_F(ActionsCliTest, AtThePromptTheWindowIsShownAndABadLineAskedAgain) {
  fs::copy_file(Example("v8-two-rails.json"), dir_ / "k.json");
  const HostRun run = Host({"mapscale", "k.json", "--rail", "1", "--interactive"},
                           "choose vertical \"SCL_PRAIL_0\"\nfrobnicate\n help \n");
  EXPECT_EQ(run.status, 0) << run.err;
  ExpectInOrder(run.out, {"  1178 vertical: combo box, 0 \"NO DATA\" of [NO DATA | SCL_RPM_0",
                          "step> ", "  1178 vertical: combo box, 4 \"SCL_PRAIL_0\" of [",
                          "step>   unknown step \"frobnicate\"\nstep> ",
                          "  choose ID N|\"TEXT\"\n      choose entry N (from 0) of a drop-down",
                          "  show\n      print the window as text\n", "step> \n",
                          "no more steps: \"Map scale data selection (rail 1) V8 two rails\" "
                          "given up\n",
                          "action ended: \"DSC_ENGMGT_0\"\n"});
  EXPECT_EQ(run.out.find("send "), std::string::npos) << "a window given up is cancelled";
}

// A script that stops with a window in any state: the run gives it up and the plug-in is
// unloaded with nothing of it left. Under the sanitizers a leaked window or pop-up ends the
// host with another status.
TEST_F(ActionsCliTest, AWindowLeftInAnyStateIsGivenUpAndNothingOutlivesTheUnload) {
  struct LeftOpen {
    const char* what;
    std::vector<std::string> args;
    const char* script;
    const char* example = "v8-two-rails.json";
    int status = 0;
  };
  const LeftOpen cases[] = {
      {"help on the engine page", {"edit"}, "help cylinders\n"},
      {"help on another page", {"edit"}, "tab 3\nhelp ignition-delay\n"},
      {"help, then a refused value", {"edit"}, "help sync-rpm\ntype sync-rpm \"70000\"\nok\n"},
      {"a message box", {"edit"}, "type sync-rpm \"70000\"\nok\n"},
      {"the map dialog", {"mapscale", "--rail", "1"}, "help vertical\n"},
      {"the report of a refused OK",
       {"edit"},
       "help cylinders\nok\n",
       "incoherent-five-cylinders.json",
       1},
  };
  for (const LeftOpen& c : cases) {
    SCOPED_TRACE(c.what);
    fs::copy_file(Example(c.example), dir_ / "k.json", fs::copy_options::overwrite_existing);
    Write("s", c.script);
    std::vector<std::string> args = c.args;
    args.insert(args.begin() + 1, "k.json");
    args.insert(args.end(), {"--script", "s"});
    const HostRun run = Host(args);
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    EXPECT_NE(run.out.find("given up"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "");
  }
}

struct ParsedStep {
  const char* line;
  UiStepKind kind;
  int32_t control;
  int32_t index;
  std::string text;  // the entry or what to type; expect: the first value
};

TEST(UiScriptTest, StepsReadTheirControlsEntriesAndTexts) {
  const ParsedStep cases[] = {
      {"tab 2", UiStepKind::kTab, 0, 2, ""},
      {"  tab \"Cylinders banks\"  # the second", UiStepKind::kTab, 0, -1, "Cylinders banks"},
      {"choose cylinders \"05\"", UiStepKind::kChoose, 1163, -1, "05"},
      {"choose 0x48B 5", UiStepKind::kChoose, 1163, 5, ""},
      {"choose cylinders 08", UiStepKind::kChoose, 1163, 8, ""},
      {"dismiss vertical NO", UiStepKind::kDismiss, 1178, -1, "NO"},
      {"type angle.12 \"630.5 \\\"x\\\"\"", UiStepKind::kType, 1175, -1, "630.5 \"x\""},
      {"click bank2.1", UiStepKind::kClick, 1139, -1, ""},
      {"help start-tooth.3", UiStepKind::kHelp, 1075, -1, ""},
      {"answer no", UiStepKind::kAnswer, 0, 7, ""},
      {"snapshot after-ok", UiStepKind::kSnapshot, 0, -1, "after-ok.svg"},
      {"expect message text \"a\\nb\"", UiStepKind::kExpect, 0xFFFF, -1, "a\nb"},
      {"expect window items \"x\" y", UiStepKind::kExpect, kModalWindow, -1, "x"},
  };
  for (const ParsedStep& c : cases) {
    SCOPED_TRACE(c.line);
    std::string error;
    const auto step = ParseUiStep(c.line, 3, &error);
    ASSERT_TRUE(step) << error;
    EXPECT_EQ(step->kind, c.kind);
    EXPECT_EQ(step->line, 3);
    EXPECT_EQ(step->control, c.control);
    EXPECT_EQ(step->index, c.index);
    EXPECT_EQ(step->kind == UiStepKind::kExpect ? step->expected.at(0) : step->text, c.text);
  }
  std::string error;
  EXPECT_FALSE(ParseUiStep("   # nothing", 1, &error));
  EXPECT_EQ(error, "");

  const std::pair<const char*, const char*> bad[] = {
      {"click angle.13", "unknown control \"angle.13\""},
      {"click angle.0", "unknown control \"angle.0\""},
      {"click \"cylinders\"", "unknown control"},
      {"answer maybe", "no button \"maybe\""},
      {"snapshot ../up", "a snapshot name is"},
      {"expect cylinders colour red", "nothing to expect named \"colour\""},
      {"expect cylinders checked maybe", "followed by yes or no"},
      {"ok now", "\"ok\" takes 0 argument(s)"},
      {"\"tab\" 1", "unknown step \"tab\""},
  };
  for (const auto& [line, message] : bad) {
    SCOPED_TRACE(line);
    error.clear();
    EXPECT_FALSE(ParseUiStep(line, 1, &error));
    EXPECT_NE(error.find(message), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace vantel::host
