#include "config/check_driver.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/requests.h"
#include "plugin/flows.h"
#include "support/config_builder.h"
#include "support/fake_host.h"
#include "support/message_boxes.h"
#include "support/messages.h"
#include "ui/sis_report.h"

namespace vantel {
namespace {

using test::Config;
using test::ConfigBuilder;
using test::FakeHost;
using test::FlywheelWord;
using test::HostedContext;
using test::MessageBoxes;
using test::RequestRecord;
using namespace test::messages;

constexpr const char* kTableNames[kConfigTableCount] = {
    "TAB_CNFENG_0", "TAB_CNFSYN_0", "TAB_FLYWIN_0", "TAB_FLYANG_0", "TAB_FLYPOS_0", "TAB_FLYREG_0"};
constexpr const char* kOptionFlagsItem = "VAL_OPTFLAGS_0";
constexpr const char* kInjectionFlagsItem = "VAL_INJFLAGS_0";
constexpr int32_t kMapId = 0x00075001;

const uint16_t kDirectTwoRails = InjectionBit(2, 1);

// A machine whose host holds the items of one configuration and whose context holds the
// same tables, as after a load.
class CheckDriver {
 public:
  explicit CheckDriver(int32_t machine) : hosted(host, machine) {
    for (int t = 0; t < kConfigTableCount; ++t) context.itemNames[t] = kTableNames[t];
    context.itemNames[kNameOptionFlags] = kOptionFlagsItem;
    context.itemNames[kNameInjectionFlags] = kInjectionFlagsItem;
    host.AddItem(kOptionFlagsItem, 300, int32_t{0});
    host.AddItem(kInjectionFlagsItem, 301, int32_t{0});
    host.AddItem("MAP_RAIL_0", kMapId, int32_t{0});
    context.report = CreateReport(&context, "Engine configuration errors M12");
    Load(ConfigBuilder().Build());
  }
  ~CheckDriver() { context.report.reset(); }

  void Load(const Config& config) {
    config.ApplyTo(context);
    for (int t = 0; t < kConfigTableCount; ++t) {
      host.AddItem(kTableNames[t], 100 + t, config.tables[static_cast<size_t>(t)]);
    }
    context.ConfigState = kConfigNotChecked;
  }

  std::string ReportText() const { return context.report->errorText(); }
  /// The marks written on the EngineTable item, in order.
  std::vector<int32_t> Marks() const {
    std::vector<int32_t> marks;
    for (const RequestRecord& r : host.Requests(REQ_ITEM_MARK)) {
      EXPECT_EQ(r.item, kTableNames[kEngineTable]);
      marks.push_back(r.InInt().value_or(-99));
    }
    return marks;
  }
  /// The integers written to `item`, in order.
  std::vector<int32_t> IntWrites(const std::string& item) const {
    std::vector<int32_t> values;
    for (const RequestRecord& r : host.Requests(REQ_ITEM_WRITE)) {
      if (r.item == item) values.push_back(r.InInt().value_or(-99));
    }
    return values;
  }
  std::vector<std::string> TableWrites() const {
    std::vector<std::string> items;
    for (const RequestRecord& r : host.Requests(REQ_ITEM_WRITE)) {
      if (!r.InInt()) items.push_back(r.item);
    }
    return items;
  }

  FakeHost host;
  HostedContext hosted;
  MachineContext& context = hosted.context;
  MessageBoxes boxes;
};

class CheckDriverTest : public ::testing::Test {
 protected:
  CheckDriver machine{12};
  MachineContext& context = machine.context;
  FakeHost& host = machine.host;
};

TEST_F(CheckDriverTest, ACoherentConfigurationIsMarkedAndHidesTheReport) {
  FillReport(context.report.get(), "an older message");
  EXPECT_TRUE(CheckAndReport(context));
  EXPECT_EQ(context.ConfigState, kConfigCoherent);
  EXPECT_EQ(machine.ReportText(), "");
  EXPECT_EQ(machine.Marks(), std::vector<int32_t>{0});
  EXPECT_TRUE(machine.TableWrites().empty());
  EXPECT_TRUE(machine.boxes.shown.empty());
}

TEST_F(CheckDriverTest, AMissingFlywheelTableItemStopsBeforeTheRules) {
  // An incoherent configuration: no rule may run once an item is missing.
  machine.Load(ConfigBuilder().Camshafts(0x0E).Build());
  host.items[kTableNames[kRegularToothTable]].id = -1;
  FillReport(context.report.get(), "an older message");

  EXPECT_FALSE(CheckAndReport(context));
  EXPECT_EQ(context.ConfigState, kConfigNotChecked);
  EXPECT_EQ(machine.ReportText(), "");
  EXPECT_TRUE(machine.Marks().empty());
  // The items are checked in table order, the first missing one ending the check.
  std::vector<std::string> checked;
  for (const RequestRecord& r : host.Requests(REQ_ITEM_ID)) {
    if (r.item.rfind("TAB_", 0) == 0) checked.push_back(r.item);
  }
  EXPECT_EQ(checked, std::vector<std::string>(std::begin(kTableNames), std::end(kTableNames)));
}

TEST_F(CheckDriverTest, AFailedEngineRuleStillRunsIgnitionAndInjectionButNoMapScales) {
  machine.Load(ConfigBuilder()
                   .Camshafts(0x0E)
                   .IgnitionDelay(101)
                   .Injection(kDirectTwoRails)
                   .InjectionCaps(0xC1DF, 4, 2)
                   .RailMaps({kMapId})
                   .Build());
  EXPECT_FALSE(CheckAndReport(context));
  EXPECT_EQ(context.ConfigState, kConfigIncoherent);
  EXPECT_EQ(machine.ReportText(),
            kMainCamshaftUnknown + "\n" + kDelayOutOfLimits + "\n" + kInjectionRefused);
  EXPECT_EQ(machine.Marks(), std::vector<int32_t>{1});
  EXPECT_EQ(host.Count(REQ_ITEM_NAME), 0u);  // no scale was looked at
}

TEST_F(CheckDriverTest, MapScaleMessagesAloneLeaveTheConfigurationCoherent) {
  machine.Load(ConfigBuilder().Injection(kDirectTwoRails).RailMaps({kMapId}).Build());
  EXPECT_TRUE(CheckAndReport(context));
  EXPECT_EQ(context.ConfigState, kConfigCoherent);
  EXPECT_EQ(machine.ReportText(), NoScaleChosen(2));
  EXPECT_EQ(machine.Marks(), std::vector<int32_t>{0});
}

TEST_F(CheckDriverTest, FormatErrorsStopTheRules) {
  const struct {
    const char* name;
    std::function<void(Config&)> damage;
    std::string report;
    int32_t state;
  } cases[] = {
      {"older EngineTable on machine 12",
       [](Config& c) { c.tables[kEngineTable].resize(22), c.tables[kEngineTable][0] = 44; },
       kLayoutUnknown, kConfigUnknownToEcu},
      {"SyncTable too long",
       [](Config& c) { c.tables[kSyncTable].push_back(0), c.tables[kSyncTable][0] = 36; },
       kLayoutUnknown, kConfigUnknownToEcu},
      {"EngineTable with a wrong reference position",
       [](Config& c) { c.tables[kEngineTable][3] = 26; }, kLayoutUnknown, kConfigUnknownToEcu},
      {"flywheel table size word disagrees", [](Config& c) { c.tables[kToothAngleTable][0] += 2; },
       kFlywheelTablesMalformed, kConfigIncoherent},
      {"empty flywheel table", [](Config& c) { c.tables[kToothPositionTable] = {2}; },
       kFlywheelTablesMalformed, kConfigIncoherent},
  };
  for (const auto& c : cases) {
    CheckDriver fresh(12);
    Config config = ConfigBuilder().Camshafts(0x0E).Build();  // would give a rule message
    c.damage(config);
    fresh.Load(config);
    EXPECT_FALSE(CheckAndReport(fresh.context)) << c.name;
    EXPECT_EQ(fresh.ReportText(), c.report) << c.name;
    EXPECT_EQ(fresh.context.ConfigState, c.state) << c.name;
    EXPECT_EQ(fresh.Marks(), std::vector<int32_t>{1}) << c.name;
  }
}

TEST_F(CheckDriverTest, IncoherentMarkFollowsTheItemStateClass) {
  const struct {
    uint32_t stateBits;
    bool rulesRun;
    std::vector<int32_t> marks;
  } cases[] = {
      {0x80000000u, true, {1}},
      {0x88000000u, true, {1}},
      {0x40000000u, true, {}},
      {0x20000000u, false, {}},  // not usable: the check ends before the rules
  };
  for (const auto& c : cases) {
    CheckDriver fresh(12);
    fresh.Load(ConfigBuilder().Camshafts(0x0E).Build());
    fresh.host.items[kTableNames[kEngineTable]].stateBits = static_cast<int32_t>(c.stateBits);
    EXPECT_FALSE(CheckAndReport(fresh.context));
    EXPECT_EQ(fresh.ReportText(), c.rulesRun ? kMainCamshaftUnknown : "") << c.stateBits;
    EXPECT_EQ(fresh.Marks(), c.marks) << std::hex << c.stateBits;
  }
}

TEST_F(CheckDriverTest, AHostErrorOnTheMarkIsShownAndChangesNothing) {
  host.Fail(REQ_ITEM_MARK, kTableNames[kEngineTable], HOST_ACCESS_ERROR);
  EXPECT_TRUE(CheckAndReport(context));
  EXPECT_EQ(context.ConfigState, kConfigCoherent);
  EXPECT_EQ(machine.boxes.Texts(),
            std::vector<std::string>{"M12\nAction canceled\nAcces rights too low"});
}

TEST_F(CheckDriverTest, ThreeMessagesAreThreeLines) {
  machine.Load(ConfigBuilder().Camshafts(0x0E).IgnitionDelay(101).Injection(0).Build());
  CheckAndReport(context);
  EXPECT_EQ(machine.ReportText(),
            kMainCamshaftUnknown + "\n" + kDelayOutOfLimits + "\n" + kInjectionRefused);
}

TEST_F(CheckDriverTest, OptionFlagsSummariseACoherentConfiguration) {
  const struct {
    const char* name;
    std::function<void(ConfigBuilder&)> change;
    int32_t optionFlags;
    int32_t injectionFlags;
  } cases[] = {
      {"sequential, one injector channel each", [](ConfigBuilder&) {}, 0x0, 0x1},
      {"sequential with channels to spare", [](ConfigBuilder& b) { b.InjectionCaps(0xC1FF, 6, 2); },
       0x0, 0x0},
      {"banks",
       [](ConfigBuilder& b) {
         b.Cylinders(8).Banks(0xAA).IgnitionCaps(7, 8, 8, 12, 100).InjectionCaps(0xC1FF, 8, 2);
       },
       0x1, 0x1},
      {"direct on one rail", [](ConfigBuilder& b) { b.Injection(InjectionBit(2, 0)); }, 0x4, 0x1},
      {"sequential on two rails",
       [](ConfigBuilder& b) { b.Injection(InjectionBit(1, 1)).InjectionCaps(0xC1FF, 8, 2); }, 0x8,
       0x1},
      {"direct on two rails", [](ConfigBuilder& b) { b.Injection(kDirectTwoRails); }, 0xC, 0x3},
      {"direct, rail 1 switching to both",
       [](ConfigBuilder& b) { b.Injection(InjectionBit(2, 2)); }, 0xC, 0x3},
      {"direct on two rails, 3 cylinders",
       [](ConfigBuilder& b) {
         b.Cylinders(3).Ignition(kIgnitionDistributed).Injection(kDirectTwoRails);
       },
       0xC, 0x2},
      {"semi-sequential on two rails",
       [](ConfigBuilder& b) {
         b.Cylinders(6)
             .IgnitionCaps(7, 6, 6, 12, 100)
             .Injection(InjectionBit(0, 1))
             .InjectionCaps(0xC1FF, 6, 2);
       },
       0x8, 0x1},
      {"incoherent direct on two rails with banks",
       [](ConfigBuilder& b) { b.Injection(kDirectTwoRails).Banks(0x0A).CylinderCaps(0x01FF); }, 0x0,
       0x0},
  };
  for (const auto& c : cases) {
    CheckDriver fresh(12);
    ConfigBuilder builder;
    c.change(builder);
    fresh.Load(builder.Build());
    CheckAndReport(fresh.context);
    EXPECT_EQ(fresh.IntWrites(kOptionFlagsItem), std::vector<int32_t>{c.optionFlags}) << c.name;
    EXPECT_EQ(fresh.context.OptionFlags, c.optionFlags) << c.name;
    EXPECT_EQ(fresh.context.InjectionFlags, c.injectionFlags) << c.name;
    EXPECT_EQ(fresh.IntWrites(kInjectionFlagsItem), std::vector<int32_t>{c.injectionFlags})
        << c.name;
  }
}

TEST_F(CheckDriverTest, FuelPressureOnBothRailsNeedsBothSensorsWired) {
  // Sensor class 0x0003 measures no pressure; 0x0004 does.
  enum Wiring { kAbsent, kNoEntry, kPressureClass, kOtherClass };
  const struct {
    Wiring high0, high1, low0, low1;
    bool bothRails;
  } cases[] = {
      {kNoEntry, kNoEntry, kAbsent, kAbsent, true},
      {kPressureClass, kNoEntry, kAbsent, kAbsent, true},
      {kNoEntry, kAbsent, kNoEntry, kNoEntry, false},
      {kNoEntry, kOtherClass, kNoEntry, kNoEntry, false},
      {kAbsent, kNoEntry, kNoEntry, kNoEntry, false},
      {kAbsent, kAbsent, kNoEntry, kPressureClass, true},
      {kAbsent, kAbsent, kNoEntry, kAbsent, false},
      {kOtherClass, kAbsent, kNoEntry, kNoEntry, true},
      {kOtherClass, kNoEntry, kNoEntry, kNoEntry, false},
  };
  const char* names[] = {"PRS_HFUEL_0", "PRS_HFUEL_1", "PRS_LFUEL_0", "PRS_LFUEL_1"};
  int index = 0;
  for (const auto& c : cases) {
    CheckDriver fresh(12);
    fresh.Load(ConfigBuilder().Camshafts(0x0E).Build());  // incoherent: bit 1 stands alone
    const Wiring wiring[] = {c.high0, c.high1, c.low0, c.low1};
    for (int s = 0; s < 4; ++s) {
      if (wiring[s] == kAbsent) continue;
      const int32_t id = 500 + s;
      fresh.host.AddItem(names[s], id, int32_t{0});
      if (wiring[s] == kPressureClass) fresh.context.SensorMap[id] = 0x0004;
      if (wiring[s] == kOtherClass) fresh.context.SensorMap[id] = 0x0003;
    }
    CheckAndReport(fresh.context);
    EXPECT_EQ(fresh.IntWrites(kOptionFlagsItem), std::vector<int32_t>{c.bothRails ? 2 : 0})
        << "case " << index;
    ++index;
  }
}

TEST_F(CheckDriverTest, InjectionFlagsAreWrittenOnlyWhenTheyChange) {
  CheckAndReport(context);
  CheckAndReport(context);
  EXPECT_EQ(machine.IntWrites(kInjectionFlagsItem), std::vector<int32_t>{1});
  EXPECT_EQ(machine.IntWrites(kOptionFlagsItem), (std::vector<int32_t>{0, 0}));

  machine.Load(ConfigBuilder().Camshafts(0x0E).Build());
  CheckAndReport(context);
  EXPECT_EQ(machine.IntWrites(kInjectionFlagsItem), (std::vector<int32_t>{1, 0}));
}

TEST_F(CheckDriverTest, AFailedInjectionFlagsWriteIsTriedAgain) {
  host.Fail(REQ_ITEM_WRITE, kInjectionFlagsItem, HOST_TARGET_ERROR, 1);
  CheckAndReport(context);
  EXPECT_EQ(context.InjectionFlags, -1);
  EXPECT_EQ(machine.boxes.shown.size(), 1u);
  CheckAndReport(context);
  EXPECT_EQ(context.InjectionFlags, 1);
  EXPECT_EQ(machine.IntWrites(kInjectionFlagsItem), (std::vector<int32_t>{1, 1}));
}

// Stored flywheel tables that an older generation left: words of the SyncTable and two
// description tables differ from what the configuration gives today.
using test::StaleTables;

TEST_F(CheckDriverTest, StaleFlywheelTablesAreRewrittenSilentlyOnMachine3) {
  CheckDriver early(3);
  early.Load(StaleTables());
  std::vector<std::pair<std::string, bool>> writes;
  early.host.onRequest = [&](const RequestRecord& r) {
    if (r.code == REQ_ITEM_WRITE && !r.InInt()) {
      writes.emplace_back(r.item, early.context.Has(TablesUpdating));
    }
  };

  EXPECT_TRUE(CheckAndReport(early.context));
  EXPECT_EQ(early.ReportText(), "");
  const Config fresh = ConfigBuilder().Build();
  EXPECT_EQ(writes,
            (std::vector<std::pair<std::string, bool>>{{kTableNames[kSyncTable], true},
                                                       {kTableNames[kToothAngleTable], true},
                                                       {kTableNames[kRegularToothTable], true}}));
  EXPECT_FALSE(early.context.Has(TablesUpdating));
  EXPECT_EQ(early.host.Written(kTableNames[kSyncTable]), fresh.sync());
  EXPECT_EQ(early.host.Written(kTableNames[kRegularToothTable]), fresh.tables[kRegularToothTable]);
  EXPECT_EQ(early.context.tables, fresh.tables);

  // Now matching, a second check writes nothing.
  writes.clear();
  EXPECT_TRUE(CheckAndReport(early.context));
  EXPECT_TRUE(writes.empty());
}

TEST_F(CheckDriverTest, StaleFlywheelTablesAreReportedOnMachine12) {
  machine.Load(StaleTables());
  EXPECT_FALSE(CheckAndReport(context));
  EXPECT_EQ(context.ConfigState, kConfigIncoherent);
  EXPECT_EQ(machine.ReportText(), kTablesNotOptimized);
  EXPECT_TRUE(machine.TableWrites().empty());
  EXPECT_EQ(context.tables, StaleTables().tables);
}

TEST_F(CheckDriverTest, AFailedTableRewriteKeepsTheStoredCopy) {
  CheckDriver early(3);
  const Config stale = StaleTables();
  early.Load(stale);
  early.host.Fail(REQ_ITEM_WRITE, kTableNames[kToothAngleTable], HOST_TRANSFER_ERROR, 1);
  EXPECT_TRUE(CheckAndReport(early.context));
  EXPECT_EQ(early.boxes.shown.size(), 1u);
  EXPECT_EQ(early.context.Table(kToothAngleTable), stale.tables[kToothAngleTable]);
  EXPECT_EQ(early.context.Table(kRegularToothTable),
            ConfigBuilder().Build().tables[kRegularToothTable]);
  EXPECT_FALSE(early.context.Has(TablesUpdating));
}

TEST_F(CheckDriverTest, NoTablesAreWrittenWhenTheGeneratorCannotBuildThem) {
  // Two missing teeth four times on 8 teeth: the flywheel rules accept it, but no
  // window of a sixth of the cycle ends exactly on a tooth.
  CheckDriver early(3);
  early.Load(ConfigBuilder()
                 .Flywheel(FlywheelWord(8, 16, 4))
                 .MainPhase(kPhaseOnMarksState, 1, 1)
                 .Cylinders(6)
                 .IgnitionCaps(7, 6, 6, 12, 100)
                 .Injection(InjectionBit(0, 0))
                 .Build());
  EXPECT_FALSE(CheckAndReport(early.context));
  EXPECT_EQ(early.ReportText(), kTablesNotOptimized);
  EXPECT_TRUE(early.TableWrites().empty());
}

TEST_F(CheckDriverTest, OlderEngineTableIsUpgradedAndCheckedOnMachine3) {
  CheckDriver early(3);
  Config config = ConfigBuilder().Build();
  // The 22-word layout of the same engine: 4 cylinders, no pair offset, words 20-25 at 8-13.
  WordTable old(22, 0);
  old[0] = 44;
  old[1] = 4;
  for (int i = 2; i <= 5; ++i)
    old[static_cast<size_t>(i)] = config.engine()[static_cast<size_t>(i)];
  old[6] = 4;
  for (int i = 0; i < 6; ++i)
    old[8 + static_cast<size_t>(i)] = config.engine()[20 + static_cast<size_t>(i)];
  config.tables[kEngineTable] = old;
  early.Load(config);

  EXPECT_TRUE(CheckAndReport(early.context));
  EXPECT_EQ(early.host.Written(kTableNames[kEngineTable]), ConfigBuilder().Build().engine());
  EXPECT_EQ(early.context.ConfigState, kConfigCoherent);
}

TEST_F(CheckDriverTest, TheDialogFormJudgesEditedCopiesByTheirMessages) {
  const struct {
    const char* name;
    std::function<void(ConfigBuilder&)> change;
    bool passes;
    std::string report;
  } cases[] = {
      {"coherent", [](ConfigBuilder&) {}, true, ""},
      {"three groups broken",
       [](ConfigBuilder& b) { b.Camshafts(0x0E).IgnitionDelay(101).Injection(0); }, false,
       kMainCamshaftUnknown + "\n" + kDelayOutOfLimits + "\n" + kInjectionRefused},
      {"map scale messages only",
       [](ConfigBuilder& b) { b.Injection(kDirectTwoRails).RailMaps({kMapId}); }, true,
       NoScaleChosen(2)},
      {"engine broken, map scales skipped",
       [](ConfigBuilder& b) { b.Camshafts(0x0E).Injection(kDirectTwoRails).RailMaps({kMapId}); },
       false, kMainCamshaftUnknown},
  };
  for (const auto& c : cases) {
    ConfigBuilder builder;
    c.change(builder);
    const Config edited = builder.Build();
    host.ClearLog();
    int32_t channels = 99;
    const CheckOutcome outcome = CheckDialogConfiguration(
        context, EditedRuleView(context, edited.engine(), edited.sync(), edited.caps), channels);
    EXPECT_EQ(outcome.coherent, c.passes) << c.name;
    EXPECT_EQ(outcome.errorText, c.report) << c.name;
    EXPECT_EQ(host.Count(REQ_ITEM_WRITE) + host.Count(REQ_ITEM_MARK), 0u) << c.name;
  }
  EXPECT_EQ(context.ConfigState, kConfigNotChecked);
}

TEST_F(CheckDriverTest, TheDialogFormRaisesItsOwnChannelCount) {
  const Config edited = ConfigBuilder().Build();
  int32_t channels = 99;
  context.injectionChannelCount = 7;
  CheckDialogConfiguration(
      context, EditedRuleView(context, edited.engine(), edited.sync(), edited.caps), channels);
  EXPECT_EQ(channels, 4);  // reset to 2, raised by the static ignition
  EXPECT_EQ(context.injectionChannelCount, 7);
}

TEST_F(CheckDriverTest, TheDialogFormNeverRegeneratesFlywheelTables) {
  for (int32_t index : {3, 12}) {
    CheckDriver fresh(index);
    const Config stale = StaleTables();
    fresh.Load(stale);
    int32_t channels = 0;
    const CheckOutcome outcome = CheckDialogConfiguration(
        fresh.context, EditedRuleView(fresh.context, stale.engine(), stale.sync(), stale.caps),
        channels);
    EXPECT_TRUE(outcome.coherent);
    EXPECT_EQ(outcome.errorText, "");
    EXPECT_TRUE(fresh.TableWrites().empty());
  }
}

TEST_F(CheckDriverTest, TheDialogFormReadsSensorFactsFromTheMachine) {
  const Config edited =
      ConfigBuilder().MainPhase(kPhasePressureSensor, 1, 0).AuxPhase(2, 1, 4, 0).Build();
  context.phaseKnown = 0;
  context.auxPhase2SensorAvailable = 0;
  int32_t channels = 0;
  const CheckOutcome outcome = CheckDialogConfiguration(
      context, EditedRuleView(context, edited.engine(), edited.sync(), edited.caps), channels);
  EXPECT_FALSE(outcome.coherent);
  EXPECT_EQ(outcome.errorText,
            "For a phase pressure synchronization, the phase pressure sensor must exist\n"
            "The sensor needed for auxiliary phase 2 measurement is not available");
}

// The stored check's own groups say which table word they found wrong and what it should
// hold, beside the message every one of them shares.
TEST_F(CheckDriverTest, TheFormatAndFlywheelTableFindingsNameTheWordAndWhatItShouldHold) {
  const Config fresh = ConfigBuilder().Build();
  const struct {
    const char* name;
    std::function<void(Config&)> change;
    std::string_view rule;
    WordRef word;
    int64_t found;
    int64_t expected;
  } cases[] = {
      {"format word 3",
       [](Config& c) { c.tables[kEngineTable][kEngineFormatWord] = 3; },
       "configuration-layout",
       {RuleTable::kEngineTable, 1},
       3,
       kEngineFormat},
      {"a reference position moved",
       [](Config& c) { c.tables[kEngineTable][4] = 28; },
       "configuration-layout",
       {RuleTable::kEngineTable, 4},
       28,
       29},
      {"size word of EngineTable",
       [](Config& c) { c.tables[kEngineTable][0] = 66; },
       "configuration-layout",
       {RuleTable::kEngineTable, 0},
       66,
       68},
      {"SyncTable a word short",
       [](Config& c) { c.tables[kSyncTable].pop_back(); },
       "configuration-layout",
       {RuleTable::kSyncTable, 0},
       16,
       17},
      {"size word of ToothPositionTable",
       [](Config& c) { c.tables[kToothPositionTable][0] += 2; },
       "flywheel-table-format",
       {RuleTable::kToothPositionTable, 0},
       fresh.tables[kToothPositionTable][0] + 2,
       fresh.tables[kToothPositionTable][0]},
      {"stale SyncTable word 6",
       [](Config& c) { c.tables[kSyncTable][6] += 1; },
       "flywheel-tables-stale",
       {RuleTable::kSyncTable, 6},
       fresh.sync()[6] + 1,
       fresh.sync()[6]},
      {"stale tooth angle",
       [](Config& c) { c.tables[kToothAngleTable][5] += 1; },
       "flywheel-tables-stale",
       {RuleTable::kToothAngleTable, 5},
       fresh.tables[kToothAngleTable][5] + 1,
       fresh.tables[kToothAngleTable][5]},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Config config = fresh;
    c.change(config);
    machine.Load(config);
    const CheckOutcome outcome = CheckConfiguration(context);
    EXPECT_FALSE(outcome.coherent);
    ASSERT_EQ(outcome.findings.size(), 1u) << outcome.errorText;
    const Finding& finding = outcome.findings[0];
    EXPECT_EQ(finding.Text(), outcome.errorText);
    EXPECT_EQ(finding.rule, c.rule);
    EXPECT_EQ(finding.words, std::vector<WordRef>{c.word});
    EXPECT_EQ(finding.found, c.found);
    EXPECT_EQ(finding.bound, Bound::kExactly);
    EXPECT_EQ(finding.limits, std::vector<int64_t>{c.expected});
  }
}

}  // namespace
}  // namespace vantel
