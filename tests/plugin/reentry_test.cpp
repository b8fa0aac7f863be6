// A failed request shows a message box, and the host may call any export from inside it.
// Each case fails one request in the middle of a walk and closes (or closes and reopens) the
// configuration from the box; the walk must not read what the close freed (ASan), and the
// context must end as the nested calls left it.
#include <gtest/gtest.h>

#include <map>

#include "cmdtable/command_group.h"
#include "platform/dialog.h"
#include "plugin/flows.h"
#include "plugin/handlers.h"
#include "plugin/vantel_app.h"
#include "support/host_checks.h"
#include "support/named_cases.h"
#include "support/sample_machine.h"

namespace vantel {
namespace {

using test::PrintTo;

using test::FakeHost;

constexpr int32_t kMachine = 12;  // refreshed on connection

// Two names in each list and two groups, so that a walk going on after the failing name or
// group reads memory that the nested close freed.
constexpr const char* kGroupsText =
    "CN0=0x007 CN1=0x1FF FNC=FNC_INJ_SEQ FNC=FNC_INJ_DIRECT SUP=SUP_INJ "
    "DAT=DAT_INJ_SEQ DAT=DAT_IGN_STATIC\n"
    "CN2=4 CN3=0x8 CN6=0 FNC=FNC_IGN_STATIC DAT=DAT_IGN_STATIC\n";
constexpr const char* kScaleText =
    "CN0=PRS_PHASE_0 CN1=4 CN4=SCALE_CANDIDATE CN2=0 CN3=0 CN6=0 DAT=MAP_SPARK DAT=MAP_RAIL1\n";

enum class Flow { kOpen, kConnection, kValueChange };

struct ReentryCase {
  const char* name;
  Flow flow;
  int32_t failedCode;
  const char* failedItem;
  bool reopen;  // the box closes, then opens again
};

constexpr ReentryCase kCases[] = {
    {"OpenAvailabilityClosed", Flow::kOpen, REQ_FNC_ENABLE, "FNC_INJ_SEQ", false},
    {"OpenAvailabilityReopened", Flow::kOpen, REQ_FNC_ENABLE, "FNC_INJ_SEQ", true},
    {"OpenScaleEntriesClosed", Flow::kOpen, REQ_ITEM_HSCALE, "MAP_SPARK", false},
    {"OpenScaleEntriesReopened", Flow::kOpen, REQ_ITEM_HSCALE, "MAP_SPARK", true},
    {"ConnectionRefreshClosed", Flow::kConnection, REQ_ITEM_CLASS, "DAT_INJ_SEQ", false},
    {"ConnectionRefreshReopened", Flow::kConnection, REQ_ITEM_CLASS, "DAT_INJ_SEQ", true},
    {"ValueChangeCheckClosed", Flow::kValueChange, REQ_ITEM_MARK, "TAB_CNFMOT_0", false},
    {"ValueChangeCheckReopened", Flow::kValueChange, REQ_ITEM_MARK, "TAB_CNFMOT_0", true},
    {"ValueChangeAvailabilityClosed", Flow::kValueChange, REQ_FNC_ENABLE, "FNC_INJ_SEQ", false},
    {"ValueChangeAvailabilityReopened", Flow::kValueChange, REQ_FNC_ENABLE, "FNC_INJ_SEQ", true},
};

using Switches = std::map<std::pair<int32_t, std::string>, int32_t>;

class ReentryTest : public ::testing::TestWithParam<ReentryCase> {
 protected:
  ReentryTest() {
    app.InitInstance();
    test::InstallSampleMachine(host, test::ConfigBuilder().Build(), kGroupsText, kScaleText);
  }
  ~ReentryTest() override {
    SetUiHook(nullptr, nullptr);
    app.ExitInstance();
    test::ExpectNoLeak(host);
  }

  MachineContext& OpenMachine() {
    OpenConfiguration(kMachine, app, test::kSampleKey);
    return *FindContext(app, kMachine);
  }

  // The value each function, supervision and data item was switched to last.
  Switches LastSwitches() const {
    Switches last;
    for (const auto& request : host.log) {
      if (request.result != HOST_OK) continue;
      if (request.code != REQ_FNC_ENABLE && request.code != REQ_SUP_ENABLE &&
          request.code != REQ_DAT_ENABLE)
        continue;
      last[{request.code, request.item}] = request.InInt().value_or(-1);
    }
    return last;
  }

  static int CloseFromTheBox(Hwnd, void* user) {
    auto& test = *static_cast<ReentryTest*>(user);
    if (test.nestedCalls++ > 0) return 0;
    CloseConfiguration(*FindContext(test.app, kMachine), test::kSampleKey);
    if (test.GetParam().reopen) OpenConfiguration(kMachine, test.app, test::kSampleKey);
    return 0;
  }

  FakeHost host;
  ModuleState state;
  CVantelApp app{FakeHost::Entry(), "unused", &state};
  int nestedCalls = 0;
};

TEST_P(ReentryTest, AWalkOutlivesTheConfigurationClosedFromItsMessageBox) {
  const ReentryCase& c = GetParam();
  MachineContext& context = OpenMachine();
  ASSERT_EQ(context.ConfigState, kConfigCoherent);
  const Switches clean = LastSwitches();
  const size_t groups = context.groups.size();
  const size_t scaleEntries = context.scaleEntries.size();
  ASSERT_EQ(groups, 2u);
  ASSERT_EQ(scaleEntries, 1u);
  if (c.flow == Flow::kOpen) CloseConfiguration(context, test::kSampleKey);

  host.ClearLog();
  host.Fail(c.failedCode, c.failedItem, HOST_TRANSFER_ERROR, 1);
  SetUiHook(&ReentryTest::CloseFromTheBox, this);
  switch (c.flow) {
    case Flow::kOpen:
      OpenMachine();
      break;
    case Flow::kConnection:
      ConnectionUp(context);
      break;
    case Flow::kValueChange:
      OnValueChanged(context, test::kSampleTableNames[0]);
      break;
  }
  SetUiHook(nullptr, nullptr);
  ASSERT_EQ(nestedCalls, 1) << "the failed request showed no message box";

  EXPECT_FALSE(context.Has(Busy));
  if (!c.reopen) {
    EXPECT_FALSE(context.Has(Open));
    EXPECT_TRUE(context.groups.empty());
    EXPECT_TRUE(context.scaleEntries.empty());
    EXPECT_EQ(context.report, nullptr);
    return;
  }
  EXPECT_TRUE(context.Has(Open));
  EXPECT_EQ(context.ConfigState, kConfigCoherent);
  EXPECT_EQ(context.groups.size(), groups);
  EXPECT_EQ(context.scaleEntries.size(), scaleEntries);
  EXPECT_NE(context.report, nullptr);
  // The host is left switched as a clean open leaves it.
  EXPECT_EQ(LastSwitches(), clean);
}

INSTANTIATE_TEST_SUITE_P(FailedRequests, ReentryTest, ::testing::ValuesIn(kCases),
                         test::CaseName());

}  // namespace
}  // namespace vantel
