#include <gtest/gtest.h>

#include <functional>

#include "cmdtable/command_group.h"
#include "plugin/flows.h"
#include "plugin/handlers.h"
#include "plugin/vantel_app.h"
#include "support/host_checks.h"
#include "support/message_boxes.h"
#include "support/messages.h"
#include "support/sample_machine.h"
#include "ui/sis_report.h"

namespace vantel {
namespace {

using test::ConfigBuilder;
using test::FakeHost;
using test::MessageBoxes;
using test::SampleIds;
using test::messages::kMajorError;

class FlowsTest : public ::testing::Test {
 protected:
  FlowsTest() {
    app.InitInstance();
    Install(ConfigBuilder().Build());
  }
  ~FlowsTest() override {
    app.ExitInstance();
    test::ExpectNoLeak(host);
  }

  void Install(const test::Config& config) {
    test::InstallSampleMachine(host, config, test::SampleGroupsText(), test::SampleScaleText());
  }
  MachineContext& OpenMachine(int32_t index = 12) {
    OpenConfiguration(index, app, test::kSampleKey);
    MachineContext* context = FindContext(app, index);
    EXPECT_NE(context, nullptr);
    return *context;
  }
  std::vector<std::pair<std::string, int32_t>> Sent(int32_t code) const {
    std::vector<std::pair<std::string, int32_t>> out;
    for (const auto& r : host.Requests(code)) out.emplace_back(r.item, r.InInt().value_or(-999));
    return out;
  }

  FakeHost host;
  ModuleState state;
  CVantelApp app{FakeHost::Entry(), "unused", &state};
  MessageBoxes boxes;
};

TEST_F(FlowsTest, ACoherentOpenSwitchesEveryGroupAndSendsTheScaleReferences) {
  MachineContext& context = OpenMachine();
  EXPECT_EQ(context.Bits(), StateBits::Open);
  EXPECT_EQ(context.ConfigState, kConfigCoherent);
  ASSERT_NE(context.report, nullptr);
  EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts()[0];
  // 4 cylinders (key 0x008), sequential injection on one rail, static ignition, no banks.
  EXPECT_EQ(Sent(REQ_FNC_ENABLE),
            (std::vector<std::pair<std::string, int32_t>>{
                {"FNC_INJ_SEQ", 1}, {"FNC_INJ_DIRECT", 0}, {"FNC_IGN_STATIC", 1}}));
  EXPECT_EQ(Sent(REQ_SUP_ENABLE),
            (std::vector<std::pair<std::string, int32_t>>{{"SUP_INJ", 1}, {"SUP_BANKS", 0}}));
  EXPECT_EQ(Sent(REQ_DAT_ENABLE), (std::vector<std::pair<std::string, int32_t>>{
                                      {"DAT_INJ_SEQ", 1}, {"DAT_IGN_STATIC", 1}}));
  EXPECT_EQ(
      Sent(REQ_ITEM_HSCALE),
      (std::vector<std::pair<std::string, int32_t>>{{"MAP_SPARK", SampleIds::kScaleCandidate}}));
  EXPECT_EQ(host.Count(REQ_END_ACTION), 0u);
}

TEST_F(FlowsTest, IndexAboveTheTableEndsTheActionWithoutAContext) {
  OpenConfiguration(1024, app, "K");
  ASSERT_EQ(host.log.size(), 1u);
  EXPECT_EQ(host.log[0].code, REQ_END_ACTION);
  EXPECT_EQ(host.log[0].machine, 1024);
  EXPECT_EQ(host.log[0].item, "K");
}

TEST_F(FlowsTest, AFailedCreationIsUndoneAndEndsTheAction) {
  host.hostLevel = 2;
  OpenConfiguration(12, app, test::kSampleKey);
  EXPECT_EQ(FindContext(app, 12), nullptr);
  EXPECT_EQ(host.log.back().code, REQ_END_ACTION);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FlowsTest, ASecondOpenWhileOpenSendsNothing) {
  OpenMachine();
  host.ClearLog();
  OpenConfiguration(12, app, test::kSampleKey);
  EXPECT_TRUE(host.log.empty());
}

TEST_F(FlowsTest, AMissingUserListMaskRejectsTheKalbrix) {
  host.userValues["VALUSER_LSTPID"] = 0;
  MachineContext& context = OpenMachine();
  EXPECT_EQ(context.Bits(), Rejected);
  EXPECT_EQ(context.lstSel, 1);
  EXPECT_EQ(context.lstPid, 0);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"M12\n" + kMajorError});
  EXPECT_EQ(host.log.back().code, REQ_END_ACTION);
  EXPECT_EQ(host.log.back().item, test::kSampleKey);
  EXPECT_EQ(context.report, nullptr);
}

TEST_F(FlowsTest, AnIncoherentOpenStaysOpenAndSendsNoAvailability) {
  host.items["TAB_CNFMOT_0"].value = ConfigBuilder().Cylinders(7).Build().engine();
  MachineContext& context = OpenMachine();
  EXPECT_EQ(context.Bits(), StateBits::Open);
  EXPECT_EQ(context.ConfigState, kConfigIncoherent);
  EXPECT_EQ(host.Count(REQ_FNC_ENABLE), 0u);
  EXPECT_EQ(host.Count(REQ_END_ACTION), 0u);
}

TEST_F(FlowsTest, SaveIsRefusedOnlyForUnusableConfigurations) {
  // Coherent: nothing is sent.
  MachineContext& context = OpenMachine();
  host.ClearLog();
  SaveCheck(context, test::kSampleKey);
  EXPECT_EQ(host.Count(REQ_SAVE_STATUS), 0u);
  // Never checked: nothing is sent either.
  context.ConfigState = kConfigNotChecked;
  SaveCheck(context, test::kSampleKey);
  EXPECT_EQ(host.Count(REQ_SAVE_STATUS), 0u);
  // Another key: ignored.
  context.ConfigState = kConfigIncoherent;
  SaveCheck(context, "OTHER");
  EXPECT_EQ(host.Count(REQ_SAVE_STATUS), 0u);
  SaveCheck(context, test::kSampleKey);
  ASSERT_EQ(host.Count(REQ_SAVE_STATUS), 1u);
  EXPECT_EQ(host.Requests(REQ_SAVE_STATUS)[0].InInt(), -3);
  EXPECT_EQ(host.Requests(REQ_SAVE_STATUS)[0].item, "");
}

TEST_F(FlowsTest, SaveAfterAFailedOpenShowsTheMajorErrorEveryTime) {
  host.userValues["VALUSER_LSTSEL"] = 0;
  MachineContext& context = OpenMachine();
  for (int attempt = 0; attempt < 2; ++attempt) {
    SaveCheck(context, test::kSampleKey);
    ASSERT_NE(context.report, nullptr);
    EXPECT_EQ(context.report->errorText(), kMajorError);
  }
  EXPECT_EQ(host.Count(REQ_SAVE_STATUS), 2u);
}

TEST_F(FlowsTest, ClosingAnIncoherentConfigurationRejectsItsSave) {
  host.items["TAB_CNFMOT_0"].value = ConfigBuilder().Cylinders(7).Build().engine();
  MachineContext& context = OpenMachine();
  CloseConfiguration(context, "OTHER");
  EXPECT_EQ(context.Bits(), StateBits::Open);
  CloseConfiguration(context, test::kSampleKey);
  EXPECT_EQ(context.Bits(), Rejected);
  EXPECT_EQ(context.report, nullptr);
  EXPECT_TRUE(context.groups.empty());
  SaveCheck(context, test::kSampleKey);
  EXPECT_EQ(context.report->errorText(), kMajorError);
  EXPECT_EQ(host.Count(REQ_SAVE_STATUS), 1u);
  // The context is kept and opens again.
  OpenConfiguration(12, app, test::kSampleKey);
  EXPECT_EQ(context.Bits(), StateBits::Open);
}

TEST_F(FlowsTest, ConnectionRefreshesOnlyMachinesFromEightOn) {
  MachineContext& low = OpenMachine(5);
  low.InjectionFlags = 0x1;
  host.ClearLog();
  ConnectionUp(low);
  EXPECT_EQ(low.InjectionFlags, 0x1);
  EXPECT_TRUE(host.log.empty());

  MachineContext& high = OpenMachine(8);
  high.ConfigState = kConfigNotChecked;
  host.ClearLog();
  ConnectionUp(high);
  EXPECT_EQ(high.InjectionFlags, -1);
  EXPECT_EQ(high.refreshAllPending, 1);
  EXPECT_TRUE(host.log.empty());

  high.ConfigState = kConfigCoherent;
  ConnectionUp(high);
  EXPECT_EQ(high.refreshAllPending, 0);
  // Applying groups: DAT_INJ_SEQ and DAT_IGN_STATIC (attributes 23 and 24 are 0).
  EXPECT_EQ(Sent(REQ_ITEM_SEND), (std::vector<std::pair<std::string, int32_t>>{
                                     {"DAT_INJ_SEQ", 3}, {"DAT_IGN_STATIC", 3}}));
}

// A data item of an applying group is sent for refresh only when it is of class 0, its
// identifier below 0x40000 and both its attributes 23 and 24 are 0: each case spoils one.
TEST_F(FlowsTest, RefreshSendsOnlyClassZeroItemsBelow0x40000WithAttributes23And24Clear) {
  struct Case {
    const char* name;
    std::function<void(test::Item&)> spoil;
    bool sent;
  };
  const Case cases[] = {
      {"as installed", [](test::Item&) {}, true},
      {"class 1", [](test::Item& i) { i.cls = 1; }, false},
      {"identifier 0x3FFFF", [](test::Item& i) { i.id = 0x3FFFF; }, true},
      {"identifier 0x40000", [](test::Item& i) { i.id = 0x40000; }, false},
      {"attribute 23 set", [](test::Item& i) { i.attributes[REQ_ITEM_ATTR_23] = 1; }, false},
      {"attribute 24 set", [](test::Item& i) { i.attributes[REQ_ITEM_ATTR_24] = 1; }, false},
  };
  MachineContext& context = OpenMachine();
  const test::Item installed = host.items["DAT_INJ_SEQ"];
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.items["DAT_INJ_SEQ"] = installed;
    c.spoil(host.items["DAT_INJ_SEQ"]);
    host.ClearLog();
    RefreshByConfiguration(context, false);
    const std::vector<std::string> sent =
        c.sent ? std::vector<std::string>{"DAT_INJ_SEQ", "DAT_IGN_STATIC"}
               : std::vector<std::string>{"DAT_IGN_STATIC"};
    EXPECT_EQ(host.RequestedItems(REQ_ITEM_SEND), sent);
  }
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FlowsTest, APartialRefreshTakesOnlyTheGroupsWithBitTwo) {
  MachineContext& context = OpenMachine();
  host.ClearLog();
  RefreshByConfiguration(context, true);  // no group requires option bit 0x2
  EXPECT_EQ(host.Count(REQ_ITEM_SEND), 0u);
  context.groups[0]->CN6 = 0x2;
  context.OptionFlags |= 0x2;
  context.refreshPartPending = 1;
  RunPendingRefresh(context);
  EXPECT_EQ(Sent(REQ_ITEM_SEND),
            (std::vector<std::pair<std::string, int32_t>>{{"DAT_INJ_SEQ", 3}}));
  EXPECT_EQ(context.refreshPartPending, 0);
}

TEST_F(FlowsTest, GroupsSelectByTypeCylindersBanksAndOptions) {
  CommandGroup group;
  group.CN0 = 0x007;
  group.CN1 = 0x008;
  WordTable engine = ConfigBuilder().Build().engine();
  EXPECT_EQ(CylinderKey(engine), 0x008);
  EXPECT_TRUE(GroupApplies(group, engine, CylinderKey(engine), 0));
  group.CN6 = 0x5;
  EXPECT_FALSE(GroupApplies(group, engine, CylinderKey(engine), 0x4));
  EXPECT_TRUE(GroupApplies(group, engine, CylinderKey(engine), 0x7));

  // Seven cylinders have no bit of their own: only a banks set can match.
  engine = ConfigBuilder().Cylinders(7).Banks(0x1).Build().engine();
  EXPECT_EQ(CylinderKey(engine), 0x8000);
  group = CommandGroup{};
  group.CN0 = 0x007;
  group.CN1 = 0x1FF;
  EXPECT_FALSE(GroupApplies(group, engine, CylinderKey(engine), 0));
  group.CN1 = 0x8000;
  EXPECT_TRUE(GroupApplies(group, engine, CylinderKey(engine), 0));
  // An unassigned pair never matches.
  EXPECT_FALSE(GroupApplies(CommandGroup{}, engine, CylinderKey(engine), 0));
}

// Each key is a sensor (CN0, CN2) whose class must meet a mask (CN1, CN3) for its candidate
// (CN4, CN6) to be taken; both candidates are readable items unless a case says otherwise, so
// that a key that should not match shows as a wrong reference.
TEST_F(FlowsTest, ScaleEntriesTakeTheFirstCandidateWhoseSensorClassMatches) {
  constexpr int32_t kFirst = SampleIds::kScaleCandidate;
  constexpr int32_t kSecond = 0x2101;
  constexpr int32_t kUnknownItem = 0x2199;
  constexpr int32_t kPhase = SampleIds::kPhaseSensor;  // class 4
  constexpr int32_t kFuel = SampleIds::kFuelSensor;    // class 8
  constexpr int32_t kUnwired = 0x7777;                 // absent from the SensorMap: class -1
  host.AddItem("SCALE_SECOND", kSecond, 3);
  host.AddItem("MAP_A", 0x3010, 0);
  host.AddItem("MAP_B", 0x3011, 0);
  struct Case {
    const char* name;
    int32_t cn0, cn1, cn4, cn2, cn3, cn6;
    int32_t sent;
  };
  const Case cases[] = {
      {"first class matches", kPhase, 0x4, kFirst, kFuel, 0x8, kSecond, kFirst},
      {"first class among others", kFuel, 0xC, kFirst, kPhase, 0x4, kSecond, kFirst},
      {"first unwired matches any mask", kUnwired, 0x1, kFirst, kPhase, 0x4, kSecond, kFirst},
      {"first class misses, second matches", kPhase, 0x8, kFirst, kFuel, 0x8, kSecond, kSecond},
      {"first mask empty", kPhase, 0, kFirst, kPhase, 0x4, kSecond, kSecond},
      {"first key unset", 0, 0x4, kFirst, kPhase, 0x4, kSecond, kSecond},
      {"first candidate unreadable", kPhase, 0x4, kUnknownItem, kPhase, 0x4, kSecond, kSecond},
      {"both classes miss", kPhase, 0x8, kFirst, kFuel, 0x4, kSecond, -1},
      {"second mask empty", kPhase, 0x8, kFirst, kFuel, 0, kSecond, -1},
      {"second key unset", kPhase, 0x8, kFirst, 0, 0x8, kSecond, -1},
      {"second candidate unreadable", kPhase, 0x8, kFirst, kFuel, 0x8, kUnknownItem, -1},
  };
  MachineContext& context = OpenMachine();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto entry = std::make_unique<CommandGroup>();
    entry->CN0 = c.cn0;
    entry->CN1 = c.cn1;
    entry->CN4 = c.cn4;
    entry->CN2 = c.cn2;
    entry->CN3 = c.cn3;
    entry->CN6 = c.cn6;
    entry->dataItems = {"MAP_A", "MAP_B"};
    context.scaleEntries.clear();
    context.scaleEntries.push_back(std::move(entry));
    host.ClearLog();
    ApplyScaleEntries(context);
    EXPECT_EQ(Sent(REQ_ITEM_HSCALE),
              (std::vector<std::pair<std::string, int32_t>>{{"MAP_A", c.sent}, {"MAP_B", c.sent}}));
  }
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FlowsTest, RailMapsSendTheEngineTableReferencesOfTwoRailsAtMost) {
  MachineContext& context = OpenMachine();
  WordTable& engine = context.Table(kEngineTable);
  SetLong(engine, 26, 0x00050007);  // rail 1 vertical
  SetLong(engine, 28, 0xFFFF0000);  // rail 1 horizontal: low half 0 gives -1
  SetLong(engine, 30, 0x80000009);  // rail 2 vertical: high half taken as signed
  SetLong(engine, 32, 0x0000000A);
  const struct {
    WordTable list;
    std::vector<std::pair<std::string, int32_t>> v, h;
  } cases[] = {
      {{2}, {}, {}},
      {{6, SampleIds::kRailMap0, 0}, {{"MAP_RAIL1", 0x00050007}}, {{"MAP_RAIL1", -1}}},
      {{14, SampleIds::kRailMap0, 0, SampleIds::kRailMap1, 0, SampleIds::kRailMap0, 0},
       {{"MAP_RAIL1", 0x00050007}, {"MAP_RAIL2", static_cast<int32_t>(0x80000009)}},
       {{"MAP_RAIL1", -1}, {"MAP_RAIL2", 0xA}}},
  };
  for (const auto& c : cases) {
    context.caps.RailMapList = c.list;
    host.ClearLog();
    ApplyAvailability(context);
    EXPECT_EQ(Sent(REQ_ITEM_VSCALE), c.v) << c.list[0];
    EXPECT_EQ(Sent(REQ_ITEM_HSCALE), c.h) << c.list[0];
    EXPECT_EQ(host.Count(REQ_ITEM_IS_MAP), c.v.size()) << c.list[0];
  }

  // A size word claiming nine maps over a list that holds none: no map is looked for.
  context.caps.RailMapList = {40};
  host.ClearLog();
  ApplyAvailability(context);
  EXPECT_EQ(host.Count(REQ_ITEM_NAME) + host.Count(REQ_ITEM_IS_MAP), 0u);
}

TEST_F(FlowsTest, OwnWritesAreIgnoredOnceThenChecked) {
  // Machine 3 upgrades its older EngineTable on open and owes the host's echo no check.
  test::Config old = ConfigBuilder().Build();
  old.tables[kEngineTable] = test::OldEngineTable();
  Install(old);
  MachineContext& context = OpenMachine(3);
  ASSERT_TRUE(host.Written("TAB_CNFMOT_0"));
  ASSERT_TRUE(context.Has(IgnoreNextChange0));
  host.ClearLog();
  OnValueChanged(context, "TAB_CNFMOT_0");
  EXPECT_FALSE(context.Has(IgnoreNextChange0));
  EXPECT_EQ(host.Count(REQ_ITEM_ATTR_20), 0u);
  EXPECT_EQ(host.Count(REQ_ITEM_VALUE), 1u);
  EXPECT_EQ(host.Count(REQ_ITEM_MARK), 0u);
  OnValueChanged(context, "TAB_CNFMOT_0");
  EXPECT_EQ(host.Count(REQ_ITEM_ATTR_20), 1u);
  EXPECT_EQ(host.Count(REQ_ITEM_MARK), 1u);  // the control ran
}

TEST_F(FlowsTest, NotificationsOnlyRereadWhileChecksAreDeferred) {
  MachineContext& context = OpenMachine();
  context.deferChecks = 1;
  host.ClearLog();
  OnValueChanged(context, "TAB_CNFSYN_0");
  OnSensorsChanged(context, "TAB_SENSORS");
  OnCommandStatusChanged(context, "TAB_FLYSTATUS");
  EXPECT_TRUE(context.Has(RecheckPending));
  EXPECT_EQ(context.refreshPartPending, 1);
  EXPECT_EQ(host.Count(REQ_ITEM_MARK), 0u);
  EXPECT_EQ(host.Count(REQ_FNC_ENABLE), 0u);
}

TEST_F(FlowsTest, NotificationsForOtherItemsOrClosedConfigurationsAreIgnored) {
  MachineContext& context = OpenMachine(3);
  host.ClearLog();
  OnSensorsChanged(context, "TAB_FLYSTATUS");
  OnCommandStatusChanged(context, "TAB_SENSORS");
  EXPECT_TRUE(host.log.empty());
  OnValueChanged(context, "DAT_INJ_SEQ");  // not a configuration table
  EXPECT_EQ(host.Count(REQ_ITEM_ATTR_20), 1u);
  EXPECT_EQ(host.log.size(), 1u);
  host.items["TAB_SENSORS"].attributes[REQ_ITEM_ATTR_20] = 0;
  OnSensorsChanged(context, "TAB_SENSORS");
  EXPECT_EQ(host.log.size(), 2u);

  // Machine 3 never owes a partial refresh.
  host.items["TAB_SENSORS"].attributes[REQ_ITEM_ATTR_20] = 1;
  context.deferChecks = 1;
  OnSensorsChanged(context, "TAB_SENSORS");
  EXPECT_EQ(context.refreshPartPending, 0);

  CloseConfiguration(context, test::kSampleKey);
  host.ClearLog();
  OnValueChanged(context, "TAB_CNFMOT_0");
  EXPECT_TRUE(host.log.empty());
}

TEST_F(FlowsTest, TablesBeingUpdatedAreRereadWithoutACheck) {
  // Machine 3 rewrites its stale flywheel tables on open; the host echoes each write at once.
  Install(test::StaleTables());
  size_t rereads = 0;
  size_t nestedChecks = 0;
  bool echoing = false;
  host.onRequest = [&](const test::RequestRecord& r) {
    if (echoing) {
      if (r.code == REQ_ITEM_VALUE && r.item == "TAB_CNFSYN2_0") ++rereads;
      if (r.code == REQ_ITEM_MARK) ++nestedChecks;
      return;
    }
    if (r.code != REQ_ITEM_WRITE || r.item != "TAB_CNFSYN2_0") return;
    echoing = true;
    OnValueChanged(*FindContext(app, 3), r.item);
    echoing = false;
  };
  MachineContext& context = OpenMachine(3);
  host.onRequest = nullptr;
  EXPECT_EQ(rereads, 1u);
  EXPECT_EQ(nestedChecks, 0u);
  EXPECT_FALSE(context.Has(TablesUpdating));
  EXPECT_EQ(context.ConfigState, kConfigCoherent);
}

using Notify = void (*)(MachineContext&, const std::string&);

// Each notification goes as far as its first refusal: a change that is not ours or cannot be
// read is dropped, an own write is swallowed once, and a sensor change leaves the groups'
// refresh to a full one that is still owed.
TEST_F(FlowsTest, NotificationsStopAtTheirFirstRefusal) {
  const WordTable incoherent = ConfigBuilder().Cylinders(7).Build().engine();
  // Host answers programmed once: the next case's open finds the host as it was.
  const auto notOurs = [](const char* item) {
    return [item](FakeHost& h, MachineContext&) {
      h.Program(REQ_ITEM_ATTR_20, item, test::IntReply(0), 1);
    };
  };
  const auto fails = [](int32_t code, const char* item) {
    return [code, item](FakeHost& h, MachineContext&) { h.Fail(code, item, HOST_DATA_ERROR, 1); };
  };
  struct Case {
    const char* what;
    Notify notify;
    const char* item;
    std::function<void(FakeHost&, MachineContext&)> arrange;
    size_t errors;  // host errors shown
    bool checked;   // the control ran (it marks the tables)
    bool applied;   // the functions were switched
    int32_t partPending;
    int32_t ignoreLeft;  // own-write bits still set
  };
  const Case cases[] = {
      {"value of a table that is not ours", &OnValueChanged, "TAB_CNFMOT_0",
       notOurs("TAB_CNFMOT_0"), 0, false, false, 0, 0},
      {"value whose attribute cannot be asked", &OnValueChanged, "TAB_CNFMOT_0",
       fails(REQ_ITEM_ATTR_20, "TAB_CNFMOT_0"), 1, false, false, 0, 0},
      {"value that cannot be read", &OnValueChanged, "TAB_CNFMOT_0",
       fails(REQ_ITEM_VALUE, "TAB_CNFMOT_0"), 1, false, false, 0, 0},
      {"own write of the sync table", &OnValueChanged, "TAB_CNFSYN_0",
       [](FakeHost&, MachineContext& c) { c.ExpectOwnChange(IgnoreNextChange1); }, 0, false, false,
       0, 0},
      {"another table while the engine table's own write is owed", &OnValueChanged, "TAB_CNFSYN_0",
       [](FakeHost&, MachineContext& c) { c.ExpectOwnChange(IgnoreNextChange0); }, 0, true, true, 0,
       IgnoreNextChange0},
      {"sensors that cannot be read", &OnSensorsChanged, "TAB_SENSORS",
       fails(REQ_ITEM_VALUE, "TAB_SENSORS"), 1, false, false, 0, 0},
      {"sensors, coherent, a full refresh owed", &OnSensorsChanged, "TAB_SENSORS",
       [](FakeHost&, MachineContext& c) { c.refreshAllPending = 1; }, 0, true, true, 0, 0},
      {"sensors, incoherent", &OnSensorsChanged, "TAB_SENSORS",
       [&](FakeHost&, MachineContext& c) { c.Table(kEngineTable) = incoherent; }, 0, true, false, 1,
       0},
      {"sensors, incoherent, a full refresh owed", &OnSensorsChanged, "TAB_SENSORS",
       [&](FakeHost&, MachineContext& c) {
         c.Table(kEngineTable) = incoherent;
         c.refreshAllPending = 1;
       },
       0, true, false, 0, 0},
      {"flywheel status that is not ours", &OnCommandStatusChanged, "TAB_FLYSTATUS",
       notOurs("TAB_FLYSTATUS"), 0, false, false, 0, 0},
      {"flywheel status that cannot be read", &OnCommandStatusChanged, "TAB_FLYSTATUS",
       fails(REQ_ITEM_VALUE, "TAB_FLYSTATUS"), 1, false, false, 0, 0},
  };
  // A machine of its own for each case, from 8 on: the ones that refresh their groups.
  int32_t machine = 8;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Install(ConfigBuilder().Build());
    MachineContext& context = OpenMachine(machine++);
    ASSERT_EQ(context.ConfigState, kConfigCoherent);
    c.arrange(host, context);
    boxes.shown.clear();
    host.ClearLog();

    c.notify(context, c.item);
    EXPECT_EQ(boxes.shown.size(), c.errors);
    EXPECT_EQ(host.Count(REQ_ITEM_MARK) > 0, c.checked);
    EXPECT_EQ(host.Count(REQ_FNC_ENABLE) > 0, c.applied);
    EXPECT_EQ(context.refreshPartPending, c.partPending);
    EXPECT_EQ(context.Bits() & (IgnoreNextChange0 | IgnoreNextChange1), c.ignoreLeft);
  }
}

}  // namespace
}  // namespace vantel
