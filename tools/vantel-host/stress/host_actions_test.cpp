// The host actions through the plug-in's real exports, as a host loads it: what the host's
// reports of a sending get once the plug-in has ended the action, until the host ends it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "plugin_loader.h"
#include "steps.h"
#include "ui_script.h"

namespace vantel::host {
namespace {

constexpr const char* kExample = VANTEL_EXAMPLES_DIR "/inline4-60-2-sequential.json";
constexpr const char* kMessageBoxCaption = "VANTEL";

class HostActionsThroughExportsTest : public ::testing::Test {
 protected:
  HostActionsThroughExportsTest()
      : kalbrix_(LoadKalbrix(kExample)),
        service_(kalbrix_, 1033, nullptr),
        null_(std::fopen("/dev/null", "w")) {
    InstallHostRouter([this](int32_t) { return &service_; });
    plugin_.Handshake(0);
    ui_ = UiApi::Load([this](const char* name) { return plugin_.Symbol(name); });
    runner_ = std::make_unique<StepRunner>(kalbrix_, service_, log_, plugin_.Exports(), null_);
    ui_.setHook(&HostActionsThroughExportsTest::Turn, this);
    Run(StepKind::kOpen);
  }
  ~HostActionsThroughExportsTest() override {
    ui_.setHook(nullptr, nullptr);
    runner_.reset();
    InstallHostRouter({});
    std::fclose(null_);
  }

  // The user confirms the dialog as it opened, and answers every message box.
  static int Turn(VantelUiWindow modal, void* self) {
    auto* test = static_cast<HostActionsThroughExportsTest*>(self);
    if (test->ui_.Text(modal) == kMessageBoxCaption) ++test->boxes_;
    test->ui_.pressOk(modal);
    return 1;
  }

  Observation Run(StepKind kind, const std::string& item = {}) {
    return runner_->Run(Step{kind, item.empty() ? kalbrix_.descriptor : item, 0, 0, false});
  }

  Kalbrix kalbrix_;
  HostService service_;
  FILE* null_;
  UiEventLog log_;
  LoadedPlugin plugin_{VANTEL_PLUGIN_PATH};
  UiApi ui_{};
  std::unique_ptr<StepRunner> runner_;
  int boxes_ = 0;
};

// A commit with nothing to send ends the action at once, no sending begun; each further
// report is answered in full until the host's end, and none after it.
TEST_F(HostActionsThroughExportsTest, EachReportAfterTheEndIsAnsweredUntilTheHostEndsIt) {
  const std::string key = kalbrix_.descriptor;
  const std::string table = service_.DescriptorItem(kEngineTableElement);
  ASSERT_FALSE(table.empty());
  KalbrixItem* held = kalbrix_.Find(table);
  ASSERT_NE(held, nullptr);

  Observation seen = Run(StepKind::kEdit);
  EXPECT_TRUE(seen.sends.empty());
  EXPECT_EQ(seen.endedActions, std::vector<std::string>{key});

  struct Report {
    StepKind kind;
    int32_t errorCode;
    int boxes;  // message boxes it shows
    bool ends;
  };
  const Report reports[] = {
      {StepKind::kItemSent, 0, 0, true},        // all six done: ended again
      {StepKind::kItemSendError, 0, 0, false},  // code 0: nothing
      {StepKind::kItemSendError, 7, 1, true},   // the error's box, then the end again
      {StepKind::kItemSendError, 7, 1, true},
  };
  for (const Report& report : reports) {
    held->errorCode = report.errorCode;
    boxes_ = 0;
    seen = Run(report.kind, table);
    EXPECT_EQ(boxes_, report.boxes);
    EXPECT_EQ(seen.endedActions,
              report.ends ? std::vector<std::string>{key} : std::vector<std::string>{});
    EXPECT_TRUE(seen.sends.empty() && seen.written.empty()) << "the action reached the machine";
  }

  Run(StepKind::kResetAction);
  for (const StepKind kind : {StepKind::kItemSent, StepKind::kItemSendError}) {
    boxes_ = 0;
    seen = Run(kind, table);
    EXPECT_TRUE(seen.endedActions.empty());
    EXPECT_EQ(boxes_, 0);
  }
}

}  // namespace
}  // namespace vantel::host
