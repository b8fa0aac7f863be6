#include "config/record_upgrade.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "host/requests.h"
#include "support/config_builder.h"
#include "support/fake_host.h"
#include "support/message_boxes.h"

namespace vantel {
namespace {

constexpr const char* kEngineItem = "TAB_CNFMOT_0";
constexpr const char* kSyncItem = "TAB_CNFSYN_0";

using test::OldEngineTable;
using test::OldSyncTable;

class RecordUpgradeTest : public testing::Test {
 protected:
  void Open(int32_t index) {
    hosted_ = std::make_unique<test::HostedContext>(host, index);
    context().itemNames[kNameEngineTable] = kEngineItem;
    context().itemNames[kNameSyncTable] = kSyncItem;
    host.AddItem(kEngineItem, 501, OldEngineTable());
    host.AddItem(kSyncItem, 502, OldSyncTable());
    host.AddItem("MAP_SCALE_X", 0x00020011);
    context().Table(kEngineTable) = OldEngineTable();
    context().Table(kSyncTable) = OldSyncTable();
  }
  MachineContext& context() { return hosted_->context; }
  bool UpgradeEngine() {
    return UpgradeEngineTable(context(), [&](int32_t id) {
      std::string name;
      return AskItemNameQuiet(context(), id, name);
    });
  }

  test::FakeHost host;
  test::MessageBoxes boxes;
  std::unique_ptr<test::HostedContext> hosted_;
};

TEST_F(RecordUpgradeTest, EngineTableIsWrittenAndReplacesTheCopy) {
  Open(3);
  ASSERT_TRUE(UpgradeEngine());
  const auto written = host.Written(kEngineItem);
  ASSERT_TRUE(written);
  EXPECT_TRUE(IsCurrentEngineTable(*written));
  EXPECT_EQ(Long(*written, 26), 0x00020011u);
  EXPECT_EQ(Long(*written, 28), kNoItemReference);
  EXPECT_EQ(context().Table(kEngineTable), *written);
  EXPECT_TRUE(context().Has(IgnoreNextChange0));
  EXPECT_FALSE(context().Has(IgnoreNextChange1));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RecordUpgradeTest, IgnoreBitIsSetBeforeTheWriteReachesTheHost) {
  Open(0);
  bool setAtWrite = false;
  host.onRequest = [&](const test::RequestRecord& r) {
    if (r.code == REQ_ITEM_WRITE) setAtWrite = context().Has(IgnoreNextChange1);
  };
  ASSERT_TRUE(UpgradeSyncTable(context()));
  EXPECT_TRUE(setAtWrite);
}

TEST_F(RecordUpgradeTest, SyncTableOfEitherOldSizeIsWrittenInTheCurrentLayout) {
  for (size_t words : {18u, 20u}) {
    SCOPED_TRACE(words);
    Open(7);
    context().Table(kSyncTable) = OldSyncTable(words);
    ASSERT_TRUE(UpgradeSyncTable(context()));
    const auto written = host.Written(kSyncItem);
    ASSERT_TRUE(written);
    EXPECT_TRUE(IsCurrentSyncTable(*written));
    EXPECT_EQ((*written)[1], 0x3C3A);
    EXPECT_EQ((*written)[12], 58);  // on marks state: the actual teeth
    EXPECT_EQ(context().Table(kSyncTable), *written);
    EXPECT_TRUE(context().Has(IgnoreNextChange1));
    host.items.clear();
    host.ClearLog();
  }
}

TEST_F(RecordUpgradeTest, FailedWriteKeepsTheOldCopyAndClearsTheIgnoreBit) {
  Open(2);
  host.Fail(REQ_ITEM_WRITE, kEngineItem, HOST_ACCESS_ERROR);
  host.Fail(REQ_ITEM_WRITE, kSyncItem, HOST_ACCESS_ERROR);
  EXPECT_FALSE(UpgradeEngine());
  EXPECT_FALSE(UpgradeSyncTable(context()));
  EXPECT_EQ(context().Table(kEngineTable), OldEngineTable());
  EXPECT_EQ(context().Table(kSyncTable), OldSyncTable());
  EXPECT_FALSE(context().Has(IgnoreNextChange0 | IgnoreNextChange1));
  EXPECT_EQ(boxes.shown.size(), 2u);
}

struct NoUpgradeCase {
  const char* name;
  int32_t index;
  void (*prepare)(test::FakeHost&, MachineContext&);
  bool asksTheHost;
};

TEST_F(RecordUpgradeTest, NothingIsWrittenWhenAnUpgradeDoesNotApply) {
  const NoUpgradeCase cases[] = {
      {"machine 8", 8, [](test::FakeHost&, MachineContext&) {}, false},
      {"machine 1023", 1023, [](test::FakeHost&, MachineContext&) {}, false},
      {"item unknown", 1, [](test::FakeHost& h, MachineContext&) { h.items.clear(); }, true},
      {"item state refused", 1,
       [](test::FakeHost& h, MachineContext&) {
         h.items[kEngineItem].stateBits = 0x20000000;
         h.items[kSyncItem].stateBits = 0x20000000;
       },
       true},
      {"current layouts", 1,
       [](test::FakeHost&, MachineContext& c) {
         c.Table(kEngineTable) = {68, 4, 25, 27, 29, 31};
         c.Table(kEngineTable).resize(34);
         c.Table(kSyncTable).assign(17, 0);
         c.Table(kSyncTable)[0] = 34;
       },
       true},
      {"word 0 disagreeing", 1,
       [](test::FakeHost&, MachineContext& c) {
         c.Table(kEngineTable)[0] = 46;
         c.Table(kSyncTable)[0] = 42;
       },
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Open(c.index);
    c.prepare(host, context());
    const WordTable engine = context().Table(kEngineTable);
    const WordTable sync = context().Table(kSyncTable);
    host.ClearLog();
    EXPECT_FALSE(UpgradeEngine());
    EXPECT_FALSE(UpgradeSyncTable(context()));
    EXPECT_EQ(host.Count(REQ_ITEM_WRITE), 0u);
    EXPECT_EQ(host.log.empty(), !c.asksTheHost);
    EXPECT_EQ(context().Table(kEngineTable), engine);
    EXPECT_EQ(context().Table(kSyncTable), sync);
    EXPECT_EQ(context().Bits(), 0);
    host.items.clear();
  }
}

}  // namespace
}  // namespace vantel
