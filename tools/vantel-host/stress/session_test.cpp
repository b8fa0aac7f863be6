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
#include <string>
#include <vector>

#include "check_many.h"
#include "session.h"
#include "support/temp_dir.h"
#include "ui_script.h"
#include "vantel/host_abi.h"

namespace vantel::host {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMessageBoxCaption = "VANTEL";

std::vector<std::string> ExampleFiles() {
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(VANTEL_EXAMPLES_DIR))
    if (entry.path().extension() == ".json") files.push_back(entry.path().filename().string());
  std::sort(files.begin(), files.end());
  return files;
}

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

/// The user of every dialog the edit opens: answers each message box, confirms a dialog
/// once, then cancels it, so that a refused OK cannot keep the loop turning.
class ConfirmOnce {
 public:
  explicit ConfirmOnce(HostSession& session)
      : ui_(UiApi::Load([&session](const char* name) { return session.Symbol(name); })) {
    ui_.setHook(&ConfirmOnce::Turn, this);
  }
  ~ConfirmOnce() { ui_.setHook(nullptr, nullptr); }

 private:
  static int Turn(VantelUiWindow modal, void* self) {
    auto* user = static_cast<ConfirmOnce*>(self);
    if (user->ui_.Text(modal) == kMessageBoxCaption || user->turns_++ == 0)
      user->ui_.pressOk(modal);
    else
      user->ui_.pressCancel(modal);
    return 1;
  }

  UiApi ui_;
  int turns_ = 0;
};

class SessionTest : public ::testing::TestWithParam<std::string> {
 protected:
  SessionTest()
      : file_(dir_.path() / GetParam()),
        copied_(fs::copy_file(fs::path(VANTEL_EXAMPLES_DIR) / GetParam(), file_)),
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
    EXPECT_TRUE(added) << added.error();
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

TEST_P(SessionTest, AnEditThenASaveWritesExactlyTheChangedItems) {
  HostSession session(1033, VANTEL_PLUGIN_PATH);
  SessionMachine& machine = Opened(session);
  {
    const ConfirmOnce user(session);
    const ActionResult edited = session.Action(machine, HostAction::kEdit);
    EXPECT_TRUE(edited.ended);
    EXPECT_EQ(edited.checked, edited.wrote);
    EXPECT_EQ(edited.verdict, machine.verdict());
  }
  const size_t unsaved = machine.Unsaved().size();
  const SaveOutcome saved = session.Save(machine);
  ASSERT_NE(saved.kind, SaveOutcome::Kind::kFailed) << saved.reason;
  if (saved.kind == SaveOutcome::Kind::kRefused) {
    EXPECT_EQ(test::ReadFile(file_), originalText_);
    EXPECT_EQ(machine.Unsaved().size(), unsaved);
  } else {
    ExpectFileHoldsExactlyTheChanges(machine, saved.Count());
  }
  session.Close(machine);
}

TEST_P(SessionTest, AClosedMachineTakesStepsAndOpensAgainToTheSameVerdict) {
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
}

INSTANTIATE_TEST_SUITE_P(Examples, SessionTest, ::testing::ValuesIn(ExampleFiles()), TestName);

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
