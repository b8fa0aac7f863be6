// The session every command of the host stands on, with the real plug-in over each example
// file: its verdict is the one `check` gives, a save writes exactly what the plug-in changed,
// and each machine's requests reach its own service.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "actions.h"
#include "check_many.h"
#include "review.h"
#include "session.h"
#include "support/temp_dir.h"
#include "vantel/host_abi.h"

namespace vantel::host {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Examples(const fs::path& folder, const std::string& extension) {
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == extension) files.push_back(entry.path().filename().string());
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> ExampleFiles() { return Examples(VANTEL_EXAMPLES_DIR, ".json"); }

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = fs::path(info.param).stem().string();
  std::replace_if(
      name.begin(), name.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
  return name;
}

class Collected : public ResultSink {
 public:
  void File(const FileResult& result) override { results.push_back(result); }
  std::vector<FileResult> results;
};

/// An example file copied to a folder of the test's own, which the session may write.
class SessionTest : public ::testing::TestWithParam<std::string> {
 protected:
  SessionTest() : SessionTest(GetParam()) {}
  explicit SessionTest(const std::string& example)
      : file_(dir_.path() / example),
        copied_(fs::copy_file(fs::path(VANTEL_EXAMPLES_DIR) / example, file_)),
        original_(LoadKalbrix(file_.string())),
        originalText_(test::ReadFile(file_)),
        null_(std::fopen("/dev/null", "w")) {}
  ~SessionTest() override { std::fclose(null_); }

  /// What `check` of the file alone gives, through the same plug-in.
  FileResult Checked() {
    Collected collected;
    CheckManyOptions options;
    options.plugin = VANTEL_PLUGIN_PATH;
    CheckMany({file_.string()}, options, {&collected});
    EXPECT_EQ(collected.results.size(), 1u);
    return collected.results.empty() ? FileResult{} : collected.results.front();
  }

  /// The session's machine of the file, loaded and opened.
  SessionMachine& Opened(HostSession& session) {
    const Result<SessionMachine*> added = session.Add(file_.string(), null_);
    if (!added) throw std::runtime_error(added.error());
    EXPECT_TRUE(session.Load().accepted());
    session.Open(**added);
    return **added;
  }

  /// The file holds the plug-in's value of each item it wrote and changed, and the value
  /// it was read with of every other item.
  void ExpectFileHoldsExactlyTheChanges(const SessionMachine& machine, size_t written) {
    const Kalbrix onDisk = LoadKalbrix(file_.string());
    const std::vector<std::string>& wrote = machine.service().WrittenItems();
    size_t changed = 0;
    for (const auto& [name, item] : original_.items) {
      const KalbrixItem* now = machine.kalbrix().Find(name);
      const bool isChange =
          std::find(wrote.begin(), wrote.end(), name) != wrote.end() && now->value != item.value;
      changed += isChange;
      EXPECT_TRUE(onDisk.Find(name)->value == (isChange ? now->value : item.value)) << name;
    }
    EXPECT_EQ(written, changed);
  }

  test::TempDir dir_;
  fs::path file_;
  bool copied_;
  Kalbrix original_;
  std::string originalText_;
  FILE* null_;
};

TEST_P(SessionTest, OpenGivesTheVerdictOfCheckAndASecondSaveWritesNothing) {
  const FileResult checked = Checked();
  HostSession session(1033, VANTEL_PLUGIN_PATH);
  SessionMachine& machine = Opened(session);
  EXPECT_TRUE(machine.opened());
  EXPECT_EQ(machine.verdict(), checked.verdict);
  EXPECT_EQ(machine.reportRows(), checked.reportRows);
  EXPECT_EQ(machine.tablesRewritten(), checked.tablesRewritten);
  const WheelInput picture = session.Picture(machine);
  EXPECT_EQ(picture.verdict, VerdictName(checked.verdict));
  EXPECT_EQ(picture.reportRows, checked.reportRows);
  EXPECT_EQ(picture.itemNames[0], machine.service().DescriptorItem(kEngineTableElement));

  const bool unchanged = machine.Unsaved().empty();
  const SaveOutcome first = session.Save(machine);
  if (unchanged || first.kind == SaveOutcome::Kind::kRefused) {
    EXPECT_EQ(test::ReadFile(file_), originalText_);
  }
  if (unchanged) {
    EXPECT_NE(first.kind, SaveOutcome::Kind::kWritten);
  }
  if (first.kind != SaveOutcome::Kind::kRefused) {
    EXPECT_TRUE(machine.Unsaved().empty());
  }
  const std::string afterFirst = test::ReadFile(file_);
  const SaveOutcome second = session.Save(machine);
  EXPECT_NE(second.kind, SaveOutcome::Kind::kWritten);
  EXPECT_NE(second.kind, SaveOutcome::Kind::kFailed) << second.reason;
  EXPECT_EQ(test::ReadFile(file_), afterFirst);
  session.Close(machine);
}

TEST_P(SessionTest, AClosedMachineTakesStepsOpensAgainToTheSameVerdictAndIsReleasedWhole) {
  HostSession session(1033, VANTEL_PLUGIN_PATH);
  SessionMachine& machine = Opened(session);
  const Verdict first = machine.verdict();
  const std::vector<std::string> rows = machine.reportRows();
  session.Close(machine);
  EXPECT_FALSE(machine.opened());
  session.Step(machine, Step{StepKind::kValue, machine.kalbrix().descriptor, 0, 0, false});
  session.Step(machine, Step{StepKind::kSensors, "", 0, 0, false});
  EXPECT_FALSE(machine.opened());
  const StepResult reopened = session.Open(machine);
  EXPECT_TRUE(machine.opened());
  EXPECT_EQ(reopened.verdict, first);
  EXPECT_EQ(machine.reportRows(), rows);
  session.Close(machine);

  const Kalbrix held = machine.kalbrix();
  const Kalbrix released = session.Release(&machine);
  EXPECT_TRUE(session.machines().empty());
  EXPECT_EQ(released.descriptor, held.descriptor);
  EXPECT_EQ(released.listOrder, held.listOrder);
  ASSERT_EQ(released.items.size(), held.items.size());
  for (const auto& [name, item] : held.items)
    EXPECT_TRUE(released.Find(name) && released.Find(name)->value == item.value) << name;
  EXPECT_TRUE(session.Release(nullptr).items.empty());
}

// diff's two sides, the files read side by side and each Kalbrix taken from its closed
// machine, are what the file's machine shows opened alone; each element of the descriptor is
// named as the store names its identifier.
TEST_P(SessionTest, BothSidesOfADiffAreWhatTheMachineShowsOpenedAlone) {
  HostSession session(1033, VANTEL_PLUGIN_PATH);
  const auto sides = OpenBoth(session, file_.string(), file_.string(), null_);
  ASSERT_TRUE(sides) << sides.error();
  EXPECT_TRUE(session.machines().empty());
  HostSession alone(1033, VANTEL_PLUGIN_PATH);
  const ReviewSide expected = SideOf(Opened(alone));
  for (const ReviewSide& side : *sides) {
    EXPECT_EQ(side.verdict, expected.verdict);
    EXPECT_EQ(side.reportRows, expected.reportRows);
    EXPECT_EQ(side.findings, expected.findings);
    ASSERT_EQ(side.switched.size(), expected.switched.size());
    for (size_t i = 0; i < side.switched.size(); ++i)
      EXPECT_EQ(side.switched[i].name + "=" + std::to_string(side.switched[i].value),
                expected.switched[i].name + "=" + std::to_string(expected.switched[i].value));
    EXPECT_EQ(side.kalbrix.listOrder, expected.kalbrix.listOrder);
    ASSERT_EQ(side.kalbrix.items.size(), expected.kalbrix.items.size());
    for (const auto& [name, item] : expected.kalbrix.items)
      EXPECT_TRUE(side.kalbrix.Find(name) && side.kalbrix.Find(name)->value == item.value) << name;

    const KalbrixItem* descriptor = side.kalbrix.Find(side.kalbrix.descriptor);
    const auto* ids = descriptor ? std::get_if<Longs>(&descriptor->value) : nullptr;
    ASSERT_FALSE(side.elements.empty());
    EXPECT_EQ(side.elements[0], "");
    for (size_t e = 1; e < side.elements.size(); ++e) {
      const std::string* name = ids && e < ids->size() ? side.kalbrix.NameOf((*ids)[e]) : nullptr;
      EXPECT_EQ(side.elements[e], name ? *name : "") << "element " << e;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, SessionTest, ::testing::ValuesIn(ExampleFiles()), TestName);

/// An example script: its first line is the command a person types to play it.
struct Script {
  std::string name;
  std::string example;  // the Kalbrix file it plays on
  ActionOptions action;
  std::optional<size_t> writtenBack;  // what `check --write` writes after it
};

Script ReadScript(const std::string& name) {
  const fs::path path = fs::path(VANTEL_EXAMPLES_DIR) / "scripts" / name;
  const std::string text = test::ReadFile(path);
  std::istringstream command(text.substr(0, text.find('\n')));
  std::string hash, host, verb, file, option;
  command >> hash >> host >> verb >> file;
  Script script{name, fs::path(file).filename().string(), {}, std::nullopt};
  script.action.kind = verb == "edit" ? ActionKind::kEdit : ActionKind::kMapScale;
  script.action.script = path.string();
  while (command >> option)
    if (option == "--rail") command >> script.action.rail;
  std::string expected = test::ReadFile(fs::path(path).replace_extension(".expected"));
  if (const size_t at = expected.find("written back: "); at != std::string::npos)
    script.writtenBack = std::stoul(expected.substr(at + 14));
  else if (expected.find("nothing written back") != std::string::npos)
    script.writtenBack = 0;
  return script;
}

class SessionScriptTest : public SessionTest {
 protected:
  SessionScriptTest() : SessionTest(ReadScript(GetParam()).example) {}
};

// The user's part of the action played from the script as `edit --script` plays it: the
// values written back are those `check --write` writes, and exactly those.
TEST_P(SessionScriptTest, AnActionThenAWriteBackWritesExactlyTheChangedItems) {
  const Script script = ReadScript(GetParam());
  ASSERT_TRUE(script.writtenBack) << "the expected output tells no write-back";
  HostSession session(1033, VANTEL_PLUGIN_PATH);
  SessionMachine& machine = Opened(session);
  ActionPlayer player(script.action, null_);
  std::string error;
  ASSERT_TRUE(player.Prepare(&error)) << error;
  player.Play(session, machine);
  ASSERT_EQ(player.failure(), "");

  const size_t unsaved = machine.Unsaved().size();
  const SaveOutcome written = session.WriteBack(machine);
  ASSERT_NE(written.kind, SaveOutcome::Kind::kFailed) << written.reason;
  EXPECT_EQ(written.Count(), *script.writtenBack);
  EXPECT_EQ(written.Count(), unsaved);
  ExpectFileHoldsExactlyTheChanges(machine, written.Count());
  EXPECT_TRUE(machine.Unsaved().empty());
  session.Close(machine);
}

INSTANTIATE_TEST_SUITE_P(Scripts, SessionScriptTest,
                         ::testing::ValuesIn(Examples(fs::path(VANTEL_EXAMPLES_DIR) / "scripts",
                                                      ".script")),
                         TestName);

// One router for every machine: a request reaches the service of its machine index, an
// index of no machine the first one, and none once the session is gone.
TEST(SessionRouterTest, TwoMachinesAreEachAnsweredByTheirOwnService) {
  const std::string first = std::string(VANTEL_EXAMPLES_DIR) + "/inline4-60-2-sequential.json";
  const std::string second = std::string(VANTEL_EXAMPLES_DIR) + "/v8-two-rails.json";
  FILE* null = std::fopen("/dev/null", "w");
  const auto ask = [](uint32_t index, const std::string& item) {
    HostBuffer record{0, nullptr};
    const int32_t result =
        ACTIONDLL(static_cast<int32_t>(index), REQ_ITEM_VALUE, item.c_str(), &record);
    std::free(record.data);
    return result;
  };
  {
    HostSession session(1033, VANTEL_PLUGIN_PATH);
    SessionMachine& a = **session.Add(first, null);
    SessionMachine& b = **session.Add(second, null);
    ASSERT_NE(a.index(), b.index());
    ASSERT_TRUE(session.Load().accepted());
    const Verdict openedA = session.Open(a).verdict;
    const Verdict openedB = session.Open(b).verdict;
    EXPECT_EQ(openedA, a.verdict());
    EXPECT_EQ(openedB, b.verdict());
    EXPECT_TRUE(a.opened() && b.opened());

    struct Case {
      uint32_t index;
      std::string item;
      size_t toA, toB;
    };
    const std::vector<Case> cases = {
        {a.index(), a.kalbrix().descriptor, 1, 0},
        {b.index(), b.kalbrix().descriptor, 0, 1},
        {a.index() + b.index() + 1, a.kalbrix().descriptor, 1, 0},
    };
    for (const Case& c : cases) {
      a.service().TakeObservation();
      b.service().TakeObservation();
      EXPECT_EQ(ask(c.index, c.item), HOST_OK) << c.index;
      EXPECT_EQ(a.service().TakeObservation().requests, c.toA) << c.index;
      EXPECT_EQ(b.service().TakeObservation().requests, c.toB) << c.index;
    }
    session.Close(a);
    session.Close(b);
  }
  EXPECT_EQ(ask(12, "DSC_ENGMGT_0"), HOST_ACTION_ERROR);
  std::fclose(null);
}

TEST(SessionRouterTest, AFileThatCannotBeReadIsAFailureAndNoMachine) {
  test::TempDir dir;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"missing.json", ""},
      {"not-json.json", "{ not json"},
      {"no-items.json", "{\"machine\": 3}"},
  };
  HostSession session(1033, VANTEL_PLUGIN_PATH);
  for (const auto& [name, text] : files) {
    const std::string path = (dir.path() / name).string();
    if (!text.empty()) std::ofstream(path) << text;
    const Result<SessionMachine*> added = session.Add(path, stdout);
    EXPECT_FALSE(added) << name;
    EXPECT_FALSE(added.error().empty()) << name;
  }
  EXPECT_TRUE(session.machines().empty());
}

}  // namespace
}  // namespace vantel::host
