// The built vantel-host run as a user runs it: on the bundled examples and on bad input.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host_run.h"
#include "platform/string_table.h"
#include "res/string_ids.h"

namespace {

namespace fs = std::filesystem;

using vantel::host::Example;
using vantel::host::HostRun;
using vantel::host::Quoted;
using vantel::test::ReadFile;

using HostCliTest = vantel::host::HostRunTest;

std::string Row(uint32_t id) { return "  | " + vantel::LoadString(id) + "\n"; }

std::string RowWithCylinders(uint32_t id, int cylinders) {
  return "  | " + vantel::LoadString(id) + std::to_string(cylinders) +
         vantel::LoadString(vantel::IDS_SUFFIX_CYLINDERS) + "\n";
}

struct ExampleCase {
  const char* file;
  int status;
  std::vector<std::string> expected;  // lines or parts of lines of the output, in order
};

TEST_F(HostCliTest, EveryExampleGivesItsStatusAndReport) {
  const ExampleCase cases[] = {
      {"inline4-60-2-sequential.json",
       0,
       {"report \"Engine configuration errors Inline 4 bench\": hidden, 0 row(s)\n",
        "functions on: FNC_INJ_SEQ, FNC_IGN_DIST\n", "ConfigState: 1 (coherent"}},
      {"v6-36-1-banks-twin-spark.json",
       0,
       {"hidden, 0 row(s)\n", "functions on: FNC_INJ_SEQ, FNC_IGN_TWIN, FNC_BANK_LAMBDA\n",
        "option flags: 0x00000001\n", "ConfigState: 1 (coherent"}},
      {"v8-two-rails.json",
       0,
       {"hidden, 0 row(s)\n",
        "functions on: FNC_INJ_SEQ, FNC_RAIL2, FNC_RAIL2_PRESS_CTRL, FNC_IGN_DIST, "
        "FNC_BANK_LAMBDA, FNC_KNOCK_MULTI\n",
        "option flags: 0x0000000B\n", "injection flags: 0x00000001\n",
        "vertical scale of MAP_RAILPIL1_0: ", " SCL_PRAIL_0\n",
        "horizontal scale of MAP_RAILPIL1_0: ", " SCL_RPM_0\n", "ConfigState: 1 (coherent"}},
      {"v12-12plus1-static.json",
       0,
       {"hidden, 0 row(s)\n", "functions on: FNC_INJ_SEQ, FNC_IGN_STATIC, FNC_KNOCK_MULTI\n",
        "ConfigState: 1 (coherent"}},
      {"inline3-regular-teeth.json",
       0,
       {"hidden, 0 row(s)\n", "horizontal scale of MAP_IGNADV_0: ", " SCL_TPS_0\n",
        "horizontal scale of MAP_VE_0: ", " SCL_TPS_0\n", "ConfigState: 1 (coherent"}},
      {"incoherent-five-cylinders.json",
       1,
       {"report \"Engine configuration errors Prototype 5\": shown, 5 row(s)\n",
        Row(vantel::IDS_MAIN_CAMSHAFT_UNKNOWN), Row(vantel::IDS_TWIN_SPARK_ODD_CYLINDERS),
        Row(vantel::IDS_IGNITION_DELAY_OUT_OF_LIMITS),
        RowWithCylinders(vantel::IDS_SEMI_SEQ_TWO_RAILS_MINIMUM, 5),
        RowWithCylinders(vantel::IDS_SEMI_SEQ_TWO_RAILS_REFUSED, 5), "mark 1 on TAB_CNFENG_0\n",
        "ConfigState: 0 or -1 (not coherent"}},
      {"older-layout-machine2.json",
       0,
       {"tables rewritten: TAB_CNFENG_0", "TAB_CNFSYN1_0", "ConfigState: 1 (coherent"}},
  };
  for (const ExampleCase& c : cases) {
    SCOPED_TRACE(c.file);
    const fs::path path = Example(c.file);
    const std::string before = ReadFile(path);
    const HostRun run = Host({"check", path.string()});
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    size_t at = 0;
    for (const std::string& part : c.expected) {
      const size_t found = run.out.find(part, at);
      EXPECT_NE(found, std::string::npos) << "missing, in order: " << part << "\n" << run.out;
      if (found != std::string::npos) at = found + part.size();
    }
    EXPECT_EQ(ReadFile(path), before) << "check without --write changed the file";
  }
}

TEST_F(HostCliTest, SaveOfAnIncoherentKalbrixIsRefusedAndCloseKeepsTheVerdict) {
  const HostRun run = Host({"check", Example("incoherent-five-cylinders.json").string(), "--then",
                            "save", "--then", "close"});
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_NE(run.out.find("== save (SAVSETEMG)"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("save refused (save status -3)\n"), std::string::npos) << run.out;
}

TEST_F(HostCliTest, SaveOfACoherentKalbrixSendsNothing) {
  const HostRun run =
      Host({"check", Example("inline4-60-2-sequential.json").string(), "--then", "save"});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(run.out.find("save refused"), std::string::npos) << run.out;
}

TEST_F(HostCliTest, AChangedValueIsCheckedAgainButTheHostsOwnEditIsNotWrittenBack) {
  const fs::path copy = dir_ / "k.json";
  fs::copy_file(Example("inline4-60-2-sequential.json"), copy);
  const HostRun run = Host({"check", copy.string(), "--write", "--then", "set:TAB_CNFENG_0[22]=101",
                            "--then", "value:TAB_CNFENG_0"});
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_NE(run.out.find(Row(vantel::IDS_IGNITION_DELAY_OUT_OF_LIMITS)), std::string::npos)
      << run.out;
  EXPECT_EQ(ReadFile(copy), ReadFile(Example("inline4-60-2-sequential.json")));
}

TEST_F(HostCliTest, WriteKeepsTheUpgradedTablesSoTheNextCheckRewritesNothing) {
  const fs::path copy = dir_ / "k.json";
  fs::copy_file(Example("older-layout-machine2.json"), copy);
  const HostRun first = Host({"check", copy.string(), "--write"});
  EXPECT_NE(first.out.find("tables rewritten: "), std::string::npos) << first.out << first.err;
  EXPECT_NE(first.out.find("written back: "), std::string::npos) << first.out;

  const HostRun second = Host({"check", copy.string()});
  EXPECT_EQ(second.status, 0) << second.out << second.err;
  EXPECT_EQ(second.out.find("tables rewritten"), std::string::npos) << second.out;
}

// A Kalbrix kept in a shared folder and linked into a project: --write upgrades the file the
// link names, which keeps its mode, and the link stays a link.
TEST_F(HostCliTest, WriteThroughASymbolicLinkChangesTheFileItNames) {
  fs::create_directories(dir_ / "shared");
  const fs::path real = dir_ / "shared" / "older.json";
  fs::copy_file(Example("older-layout-machine2.json"), real);
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("shared/older.json", dir_ / "k.json");

  const HostRun run = Host({"check", "k.json", "--write"});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("written back: 6 item(s) to k.json\n"), std::string::npos) << run.out;
  ASSERT_TRUE(fs::is_symlink(dir_ / "k.json"));
  EXPECT_EQ(fs::read_symlink(dir_ / "k.json"), "shared/older.json");
  EXPECT_NE(ReadFile(real), ReadFile(Example("older-layout-machine2.json")));
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "shared"), {}), 1);

  const HostRun again = Host({"check", "k.json", "--write"});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.out.find("nothing written back to k.json: the plug-in changed no value\n"),
            std::string::npos)
      << again.out;
}

TEST_F(HostCliTest, TraceShowsEveryRequestAndReply) {
  const HostRun run = Host({"check", Example("inline4-60-2-sequential.json").string(), "--trace"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("> REQ_REGISTER_MODULE (0x11000) \"VANTEL\" in: int 1\n< 0 none\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("> REQ_ITEM_VALUE (0x40030) \"DSC_ENGMGT_0\" in: none\n< 0 longs[18] 72 "),
            std::string::npos);
}

// Under each row, the finding behind it in the host's words.
TEST_F(HostCliTest, EveryReportRowIsFollowedByItsFindingInWords) {
  const HostRun run = Host({"check", Example("incoherent-five-cylinders.json").string()});
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  const std::string expected =
      Row(vantel::IDS_MAIN_CAMSHAFT_UNKNOWN) +
      "      finding (main-phase-camshaft): main phase camshaft: intake bank 2, the ECU allows "
      "intake bank 1, exhaust bank 1 (SyncTable TAB_CNFSYN1_0 word 11; PhaseCaps word 2)\n" +
      Row(vantel::IDS_TWIN_SPARK_ODD_CYLINDERS) +
      "      finding (twin-spark-cylinders): cylinders on twin spark ignition: 5, the ECU allows "
      "an "
      "even number (EngineTable TAB_CNFENG_0 words 20, 6)\n" +
      Row(vantel::IDS_IGNITION_DELAY_OUT_OF_LIMITS) +
      "      finding (ignition-delay): ignition delay: 150 µs, the ECU allows at most 100 µs "
      "(EngineTable TAB_CNFENG_0 word 22; IgnitionCaps word 5)\n" +
      RowWithCylinders(vantel::IDS_SEMI_SEQ_TWO_RAILS_MINIMUM, 5) +
      "      finding (semi-sequential-two-rails-injectors): injectors on semi-sequential injection "
      "on two rails: 10, the ECU allows at least 13 (EngineTable TAB_CNFENG_0 words 21, 6; "
      "InjectionCaps word 3)\n" +
      RowWithCylinders(vantel::IDS_SEMI_SEQ_TWO_RAILS_REFUSED, 5) +
      "      finding (semi-sequential-two-rails): cylinders on semi-sequential injection on two "
      "rails: 5, the ECU allows anything but 5 (EngineTable TAB_CNFENG_0 words 21, 6; "
      "InjectionCaps word 3)\n";
  EXPECT_NE(run.out.find(expected), std::string::npos) << run.out;
}

// An open that ends before any rule names the request the host failed and its item, as
// --trace would show it, without --trace.
TEST_F(HostCliTest, ARejectedOpenNamesTheRequestThatFailedAndItsItem) {
  const std::string good = ReadFile(Example("inline4-60-2-sequential.json"));
  const struct {
    const char* removed;
    int id;
    int element;  // of the descriptor DSC_ENGMGT_0
  } cases[] = {{"TAB_SENSORS_0", 4099, 3}, {"CAP_IGN_0", 4105, 9}, {"TAB_CNFSYN1_0", 4109, 13}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.removed);
    // The item's object, from its opening brace to its closing one, is left out.
    std::string text = good;
    const size_t name = text.find("\"" + std::string(c.removed) + "\"");
    ASSERT_NE(name, std::string::npos);
    const size_t open = text.rfind('{', name);
    const size_t close = text.find('}', name);
    const size_t comma = text.rfind(',', open);
    text.erase(comma, close + 1 - comma);
    const HostRun run = Host({"check", Write("k.json", text).string()});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    const std::string id = std::to_string(c.id);
    EXPECT_NE(
        run.out.find("action ended: \"DSC_ENGMGT_0\"\n"
                     "failed request: > REQ_ITEM_NAME (0x40002) \"\" in: int " +
                     id + "\n                < 2 int " + id + "\n                (identifier " +
                     id + ": element " + std::to_string(c.element) +
                     " of DSC_ENGMGT_0, no item of the file)\n"
                     "ConfigState: rejected"),
        std::string::npos)
        << run.out;
  }
  const HostRun coherent = Host({"check", Example("inline4-60-2-sequential.json").string()});
  EXPECT_EQ(coherent.out.find("failed request"), std::string::npos) << coherent.out;
}

struct BadInput {
  const char* what;
  const char* text;  // nullptr: the file does not exist
  std::vector<std::string> extra;
  const char* message;
};

TEST_F(HostCliTest, BadInputExitsTwoWithOneLineAndLeavesTheFileAsItWas) {
  const std::string good = ReadFile(Example("inline4-60-2-sequential.json"));
  const BadInput cases[] = {
      {"missing file", nullptr, {}, "cannot open"},
      {"malformed JSON", "{\"machine\": 12, \"items\": [", {}, "not JSON"},
      {"empty file", "", {}, "not JSON"},
      {"wrong item shape",
       R"({"machine": 12, "descriptor": "D", "items": [{"name": "D", "id": 1, "words": ["x"]}]})",
       {},
       "item 0 (D): \"words\" must be an array of words"},
      {"unknown step", good.c_str(), {"--then", "reboot"}, "unknown step \"reboot\""},
      {"step without its item", good.c_str(), {"--then", "value:"}, "step \"value\" needs an item"},
      {"set on a missing word",
       good.c_str(),
       {"--then", "set:TAB_CNFENG_0[99]=1"},
       "has no word 99"},
      {"a label the plug-in's code page cannot hold",
       R"({"machine": 12, "descriptor": "D", "items": [{"name": "D", "id": 1, "label": "P → rail"}]})",
       {},
       "item 0 (D): \"label\": code page 1252, in which the plug-in reads host texts, has no "
       "\"→\" (U+2192)"},
      {"a step naming what the plug-in's code page cannot hold",
       good.c_str(),
       {"--then", "value:TAB_→"},
       "step naming \"TAB_→\": code page 1252"},
  };
  for (const BadInput& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path path = dir_ / "k.json";
    fs::remove(path);
    if (c.text) Write("k.json", c.text);
    std::vector<std::string> args = {"check", path.string(), "--write"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const HostRun run = Host(args);
    EXPECT_EQ(run.status, 2) << run.out << run.err;
    EXPECT_EQ(run.err.rfind("vantel-host: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    if (c.text)
      EXPECT_EQ(ReadFile(path), c.text);
    else
      EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}),
              c.text ? 1 : 0)  // the input file alone
        << "a temporary file was left behind";
  }
}

// An example holds what the plug-in leaves: checked and written back, it is the same file.
// The older layout is there to be upgraded.
TEST_F(HostCliTest, ACheckedExampleIsWrittenBackUnchanged) {
  size_t checked = 0;
  for (const auto& entry : fs::directory_iterator(Example(""))) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".json" || name.starts_with("older-layout")) continue;
    SCOPED_TRACE(name);
    fs::copy_file(entry.path(), dir_ / name);
    const HostRun run = Host({"check", name, "--write"});
    EXPECT_NE(run.status, 2) << run.err;
    EXPECT_EQ(ReadFile(dir_ / name), ReadFile(entry.path()));
    ++checked;
  }
  EXPECT_GE(checked, 6u);
}

TEST_F(HostCliTest, ExamplesAreWhatTheGeneratorWrites) {
  const fs::path out = dir_ / "examples";
  fs::create_directory(out);
  const std::string command =
      Quoted(VANTEL_MAKE_EXAMPLES_PATH) + " " + Quoted(out.string()) + " > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  size_t count = 0;
  for (const auto& entry : fs::directory_iterator(out)) {
    ++count;
    SCOPED_TRACE(entry.path().filename().string());
    EXPECT_EQ(ReadFile(entry.path()), ReadFile(Example(entry.path().filename().string())))
        << "regenerate examples/ with vantel-make-examples";
  }
  EXPECT_GE(count, 7u);
}

}  // namespace
