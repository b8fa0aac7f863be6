#include "cmdtable/command_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cmdtable/command_group.h"
#include "cmdtable/host_items.h"
#include "res/string_ids.h"
#include "support/fake_host.h"
#include "support/host_checks.h"
#include "support/message_boxes.h"
#include "support/named_cases.h"

namespace vantel {
namespace {

using test::PrintTo;

using test::ExpectNoLeak;
using test::HostMessage;

using Longs = std::vector<int32_t>;
using Names = std::vector<std::string>;

int32_t Size(size_t elements) { return static_cast<int32_t>(elements * 4); }

// A whole machine as the host holds it: the descriptor and every item it names.
class CommandTableTest : public ::testing::Test {
 protected:
  CommandTableTest() {
    descriptor = {72,   1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008,
                  1009, 1010, 1011, 1012, 1013, 1014, 1015, 1016, 1017};
    host.AddItem("DESC", 5000, descriptor);
    host.AddItem("CMD_GROUPS", 1001, std::string("CN0=1 FNC=F1 CN0=2 DAT=D1"));
    host.AddItem("CMD_SCALES", 1002, std::string("CN0=7 CN4=3 DAT=MAP1"));
    host.AddItem("TAB_SENSORS", 1003, WordTable{2});
    host.AddItem("LST_STATUS", 1004, WordTable{2});
    host.AddItem("VAL_OPTIONS", 1005, 0);
    host.AddItem("VAL_INJECTION", 1006, 0);
    host.AddItem("CAP_CYL", 1007, Longs{8, 0x8001});
    host.AddItem("CAP_PHASE", 1008, Longs{12, 0x07, 3});
    host.AddItem("CAP_IGN", 1009, Longs{32, 1, 2, 3, 4, 5, 0x00020001, 7});
    host.AddItem("CAP_INJ", 1010, Longs{24, 0x4001, 6, 7, 8, -2});
    host.AddItem("CAP_RAIL", 1011, Longs{12, 0x2000, 0x12345});
    for (int i = 0; i < kConfigTableCount; ++i)
      host.AddItem(kTableNames[i], 1012 + i, WordTable{4, static_cast<uint16_t>(10 + i)});
    host.AddItem("D1", 2001);
    host.AddItem("MAP1", 2002);
    host.knownFunctions = {"F1"};
    context.ConfigState = kConfigIncoherent;
  }

  void SetDescriptor(int element, int32_t id) {
    descriptor[static_cast<size_t>(element)] = id;
    host.items["DESC"].value = descriptor;
  }

  static constexpr const char* kTableNames[kConfigTableCount] = {
      "TAB_ENGINE", "TAB_SYNC", "TAB_TWIN", "TAB_TANG", "TAB_TPOS", "TAB_TREG"};

  Longs descriptor;
  test::FakeHost host;
  test::HostedContext hosted{host};
  MachineContext& context = hosted.context;
  test::MessageBoxes boxes;
};

TEST_F(CommandTableTest, LoadsEverythingTheDescriptorNames) {
  ASSERT_TRUE(ReadCommandTable(context, context, "DESC"));
  EXPECT_EQ(context.caps.CylinderCaps, (WordTable{4, 0x8001}));
  EXPECT_EQ(context.caps.PhaseCaps, (WordTable{6, 0x07, 3}));
  EXPECT_EQ(context.caps.IgnitionCaps, (WordTable{20, 1, 2, 3, 4, 5, 1, 2, 7, 0}));
  EXPECT_EQ(context.caps.InjectionCaps, (WordTable{14, 0x4001, 6, 7, 8, 0xFFFE, 0xFFFF}));
  EXPECT_EQ(context.caps.RailMapList, (WordTable{10, 0x2000, 0, 0x2345, 1}));
  for (int i = 0; i < kConfigTableCount; ++i) {
    EXPECT_EQ(context.ItemName(kNameEngineTable + i), kTableNames[i]);
    EXPECT_EQ(context.Table(i), (WordTable{4, static_cast<uint16_t>(10 + i)}));
  }
  EXPECT_EQ(context.ItemName(kNameSensorTable), "TAB_SENSORS");
  EXPECT_EQ(context.ItemName(kNameFlywheelStatusList), "LST_STATUS");
  EXPECT_EQ(context.ItemName(kNameOptionFlags), "VAL_OPTIONS");
  EXPECT_EQ(context.ItemName(kNameInjectionFlags), "VAL_INJECTION");
  ASSERT_EQ(context.groups.size(), 2u);
  EXPECT_EQ(context.groups[0]->functions, Names{"F1"});
  EXPECT_EQ(context.groups[1]->dataItems, Names{"D1"});
  ASSERT_EQ(context.scaleEntries.size(), 1u);
  EXPECT_EQ(context.scaleEntries[0]->CN0, 7);
  EXPECT_EQ(context.scaleEntries[0]->CN4, 3);
  EXPECT_EQ(context.scaleEntries[0]->dataItems, Names{"MAP1"});
  EXPECT_EQ(context.phaseItemId, -1) << "bit 6 clear: the phase pressure item is not read";
  for (const auto& request : host.Requests(REQ_ITEM_ID)) EXPECT_NE(request.item, "PRS_PHASE_0");
  EXPECT_TRUE(boxes.shown.empty());
  ExpectNoLeak(host);
}

TEST_F(CommandTableTest, DescriptorMustHoldExactlyEighteenElements) {
  for (size_t elements : {17u, 19u, 1u}) {
    Longs wrong(elements, 1001);
    wrong[0] = Size(elements);
    host.items["DESC"].value = wrong;
    EXPECT_FALSE(ReadCommandTable(context, context, "DESC")) << elements;
    EXPECT_TRUE(context.caps.CylinderCaps.empty()) << elements;
  }
  EXPECT_TRUE(boxes.shown.empty()) << "a wrong size is no host failure";
  ExpectNoLeak(host);
}

TEST_F(CommandTableTest, PhasePressureAllowedNeedsItsItem) {
  host.items["CAP_PHASE"].value = Longs{12, 0x47, 3};
  EXPECT_FALSE(ReadCommandTable(context, context, "DESC"));
  EXPECT_TRUE(context.caps.PhaseCaps.empty());
  EXPECT_TRUE(boxes.shown.empty());

  host.AddItem("PRS_PHASE_0", 777);
  ASSERT_TRUE(ReadCommandTable(context, context, "DESC"));
  EXPECT_EQ(context.phaseItemId, 777);
  EXPECT_EQ(context.caps.PhaseCaps, (WordTable{6, 0x47, 3}));
  ExpectNoLeak(host);
}

// The array is judged before anything is asked about it: a wrong size or main types from 128
// on fail the load silently, and the phase pressure item is not looked up even with bit 6 set.
TEST_F(CommandTableTest, PhaseCapsOfTheWrongSizeOrMainTypesFrom128FailTheLoad) {
  host.AddItem("PRS_PHASE_0", 777);
  const struct {
    const char* name;
    Longs q;
    bool looksUp;  // the pressure item is asked for before the refusal
  } cases[] = {
      {"two elements", {8, 0x47}, false},
      {"four elements", {16, 0x47, 3, 0}, false},
      {"one element", {4}, false},
      {"main types 128", {12, 128, 3}, false},
      {"main types 0xC7, pressure bit set", {12, 0xC7, 3}, false},
      {"main types negative", {12, -1, 3}, false},
      {"main types in the high half", {12, 0x10047, 3}, false},
      {"camshafts 16", {12, 0x47, 16}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    host.items["CAP_PHASE"].value = c.q;
    context.phaseItemId = -1;
    host.ClearLog();
    EXPECT_FALSE(ReadCommandTable(context, context, "DESC"));
    EXPECT_TRUE(context.caps.PhaseCaps.empty());
    EXPECT_EQ(context.phaseItemId, c.looksUp ? 777 : -1);
    Names asked;
    for (const auto& request : host.Requests(REQ_ITEM_ID)) asked.push_back(request.item);
    EXPECT_EQ(asked, c.looksUp ? Names{"PRS_PHASE_0"} : Names{});
    EXPECT_EQ(host.Count(REQ_ITEM_VALUE), 3u) << "the descriptor, CAP_CYL and CAP_PHASE only";
  }
  EXPECT_TRUE(boxes.shown.empty());
  ExpectNoLeak(host);
}

TEST_F(CommandTableTest, UnreadablePhaseItemIdentifierIsShownButTheLoadGoesOn) {
  host.items["CAP_PHASE"].value = Longs{12, 0x47, 3};
  test::RawReply notAnInteger = test::IntReply(777);
  notAnInteger.len = 4;
  host.Program(REQ_ITEM_ID, "PRS_PHASE_0", notAnInteger);
  ASSERT_TRUE(ReadCommandTable(context, context, "DESC"));
  EXPECT_EQ(context.phaseItemId, -1);
  EXPECT_EQ(boxes.Texts(), Names{HostMessage(IDS_HOST_INTERNAL_ERROR)});
  ExpectNoLeak(host);
}

TEST_F(CommandTableTest, UnresolvedRailMapListIsTheSizeWordAlone) {
  SetDescriptor(kDescRailMapList, 9999);
  ASSERT_TRUE(ReadCommandTable(context, context, "DESC"));
  EXPECT_EQ(context.caps.RailMapList, WordTable{2});
  ExpectNoLeak(host);
}

TEST_F(CommandTableTest, UnresolvedCommandTextsLeaveNoGroups) {
  ASSERT_TRUE(ReadCommandTable(context, context, "DESC"));
  ASSERT_FALSE(context.groups.empty());
  SetDescriptor(kDescGroupsText, 9998);
  SetDescriptor(kDescScaleEntriesText, 9999);
  ASSERT_TRUE(ReadCommandTable(context, context, "DESC"));
  EXPECT_TRUE(context.groups.empty()) << "no groups of an earlier load survive";
  EXPECT_TRUE(context.scaleEntries.empty());
  ExpectNoLeak(host);
}

TEST_F(CommandTableTest, NamesAreFoundThroughTheItemListWhenNotAskable) {
  host.FailCode(REQ_ITEM_NAME, HOST_ACTION_ERROR);
  ASSERT_TRUE(ReadCommandTable(context, context, "DESC"));
  EXPECT_EQ(context.ItemName(kNameOptionFlags), "VAL_OPTIONS");
  EXPECT_EQ(context.scaleEntries.size(), 1u);
  EXPECT_TRUE(boxes.shown.empty());
  ExpectNoLeak(host);
}

TEST_F(CommandTableTest, ResolveFallsBackToTheFirstItemWithTheIdentifier) {
  host.FailCode(REQ_ITEM_NAME, HOST_ACTION_ERROR);
  host.AddItem("A_FIRST", 42);
  host.AddItem("B_SECOND", 42);
  host.AddItem("A_NO_ID", -1);  // the host gives it no identifier
  std::string name;
  ASSERT_TRUE(ResolveItemName(context, 42, name));
  EXPECT_EQ(name, "A_FIRST");
  EXPECT_FALSE(ResolveItemName(context, -1, name)) << "an item without identifier is not -1";
  EXPECT_FALSE(ResolveItemName(context, 43, name));
  host.FailCode(REQ_ITEM_LIST, HOST_ACTION_ERROR);
  EXPECT_FALSE(ResolveItemName(context, 42, name));
  EXPECT_TRUE(boxes.shown.empty());
  ExpectNoLeak(host);
}

// A list without its final NUL is refused; the NUL alone is one empty name, which is no item.
TEST_F(CommandTableTest, ResolveFindsNothingInAnUnterminatedOrEmptyItemList) {
  host.FailCode(REQ_ITEM_NAME, HOST_ACTION_ERROR);
  test::RawReply unterminated = test::TextReply("CAP_CYL");
  unterminated.bytes.back() = 'X';
  for (const test::RawReply& list : {unterminated, test::TextReply("")}) {
    host.Program(REQ_ITEM_LIST, "", list, 1);
    std::string name = "kept";
    EXPECT_FALSE(ResolveItemName(context, 1007, name)) << list.len;
    EXPECT_EQ(name, "kept");
  }
  EXPECT_TRUE(boxes.shown.empty());
  ExpectNoLeak(host);
}

TEST_F(CommandTableTest, UnresolvedRequiredNamesFailSilently) {
  for (int element :
       {int{kDescCylinderCaps}, int{kDescPhaseCaps}, int{kDescIgnitionCaps},
        int{kDescInjectionCaps}, int{kDescFirstConfigTable}, kDescFirstConfigTable + 5,
        int{kDescSensorTable}, int{kDescFlywheelStatusList}, int{kDescOptionFlags},
        int{kDescInjectionFlags}}) {
    SetDescriptor(element, 9999);
    EXPECT_FALSE(ReadCommandTable(context, context, "DESC")) << element;
    SetDescriptor(element, 1000 + element);
  }
  EXPECT_TRUE(boxes.shown.empty());
  ExpectNoLeak(host);
}

// Every host read of the load: a refusal shows the host's message, a reply of the wrong
// form shows the internal error, and either fails the load without leaking.
TEST_F(CommandTableTest, EveryFailedReadIsShownAndFailsTheLoad) {
  const Names readItems = {"DESC",        "CAP_CYL",    "CAP_PHASE",  "CAP_IGN",
                           "CAP_INJ",     "CAP_RAIL",   "TAB_ENGINE", "TAB_SYNC",
                           "TAB_TWIN",    "TAB_TANG",   "TAB_TPOS",   "TAB_TREG",
                           "TAB_SENSORS", "LST_STATUS", "CMD_GROUPS", "CMD_SCALES"};
  test::RawReply noData;
  noData.len = 8;
  noData.nullData = true;
  const std::vector<std::pair<test::RawReply, uint32_t>> replies = {
      {test::FailReply(HOST_ACTION_ERROR), IDS_HOST_ACTION_ERROR},
      {test::FailReply(7), IDS_HOST_UNKNOWN_ERROR},
      {noData, IDS_HOST_INTERNAL_ERROR},
  };
  for (const std::string& item : readItems) {
    for (const auto& [reply, message] : replies) {
      host.Program(REQ_ITEM_VALUE, item, reply, 1);
      boxes.shown.clear();
      EXPECT_FALSE(ReadCommandTable(context, context, "DESC")) << item;
      EXPECT_EQ(boxes.Texts(), Names{HostMessage(message)}) << item;
      ExpectNoLeak(host);
    }
  }
}

TEST_F(CommandTableTest, WrongFormOfATableIsTheInternalError) {
  const std::vector<std::pair<std::string, test::RawReply>> wrong = {
      {"DESC", test::WordsReply({4, 1})},  // words where longs are due: size mismatch
      {"CAP_CYL", test::TextReply("abc")},
      {"TAB_SYNC", test::WordsReply({6, 1})},  // says 6 bytes in a reply of 4
      {"TAB_SENSORS", test::IntReply(3)},
  };
  for (const auto& [item, reply] : wrong) {
    host.Program(REQ_ITEM_VALUE, item, reply, 1);
    boxes.shown.clear();
    EXPECT_FALSE(ReadCommandTable(context, context, "DESC")) << item;
    EXPECT_EQ(boxes.Texts(), Names{HostMessage(IDS_HOST_INTERNAL_ERROR)}) << item;
  }
  ExpectNoLeak(host);
}

TEST_F(CommandTableTest, MalformedCommandTextsFailSilentlyAndLeaveNoGroups) {
  host.items["CMD_GROUPS"].value = std::string("CN0=1 FNC=F1, SUP=S1");
  EXPECT_FALSE(ReadCommandTable(context, context, "DESC"));
  EXPECT_TRUE(context.groups.empty());
  EXPECT_TRUE(boxes.shown.empty());

  host.items["CMD_GROUPS"].value = std::string("CN0=1 FNC=F1");
  host.items["CMD_SCALES"].value = std::string("XYZ=1");
  EXPECT_FALSE(ReadCommandTable(context, context, "DESC"));
  EXPECT_TRUE(context.groups.empty()) << "a failed second text drops the first one's groups";
  EXPECT_TRUE(context.scaleEntries.empty());
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_NE(context.ConfigState, kConfigNotChecked);

  test::RawReply unterminated = test::TextReply("CN0=1 FNC=F1");
  unterminated.bytes.back() = ' ';
  host.items["CMD_SCALES"].value = std::string("CN0=1 DAT=MAP1");
  host.Program(REQ_ITEM_VALUE, "CMD_GROUPS", unterminated, 1);
  EXPECT_FALSE(ReadCommandTable(context, context, "DESC"));
  EXPECT_TRUE(boxes.shown.empty());
  ExpectNoLeak(host);
}

struct CapsCase {
  const char* name;
  std::optional<WordTable> (*convert)(std::span<const int32_t>);
  Longs q;
  std::optional<WordTable> words;
};

class CapsCases : public ::testing::TestWithParam<CapsCase> {};

TEST_P(CapsCases, ChecksAndRepacks) {
  EXPECT_EQ(GetParam().convert(GetParam().q), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    CommandTable, CapsCases,
    ::testing::Values(
        CapsCase{
            "CylinderBanksAndOneCylinder", &CylinderCapsFrom, {8, 0x8001}, WordTable{4, 0x8001}},
        CapsCase{"CylinderEveryAllowedBit", &CylinderCapsFrom, {8, 0x81FF}, WordTable{4, 0x81FF}},
        CapsCase{"CylinderBitNine", &CylinderCapsFrom, {8, 0x0200}, std::nullopt},
        CapsCase{"CylinderHighHalf", &CylinderCapsFrom, {8, 0x10001}, std::nullopt},
        CapsCase{"CylinderThreeElements", &CylinderCapsFrom, {12, 1, 0}, std::nullopt},
        CapsCase{"PhaseLimits", &PhaseCapsFrom, {12, 127, 15}, WordTable{6, 127, 15}},
        CapsCase{"PhaseMainTypes128", &PhaseCapsFrom, {12, 128, 0}, std::nullopt},
        CapsCase{"PhaseAuxTypes16", &PhaseCapsFrom, {12, 0, 16}, std::nullopt},
        CapsCase{"PhaseNegativeIsNoSmallNumber", &PhaseCapsFrom, {12, -1, 0}, std::nullopt},
        CapsCase{"IgnitionSixElements",
                 &IgnitionCapsFrom,
                 {24, 7, 2, 3, 4, 5},
                 WordTable{12, 7, 2, 3, 4, 5}},
        CapsCase{"IgnitionFiveElements", &IgnitionCapsFrom, {20, 1, 2, 3, 4}, std::nullopt},
        CapsCase{"IgnitionFirstEight", &IgnitionCapsFrom, {24, 8, 2, 3, 4, 5}, std::nullopt},
        CapsCase{"IgnitionLongs",
                 &IgnitionCapsFrom,
                 {32, 1, 2, 3, 4, 5, 0x00020001, 7},
                 WordTable{20, 1, 2, 3, 4, 5, 1, 2, 7, 0}},
        CapsCase{"InjectionEveryAllowedBit",
                 &InjectionCapsFrom,
                 {20, 0xC1FF, 1, 2, 3},
                 WordTable{10, 0xC1FF, 1, 2, 3}},
        CapsCase{"InjectionBitThirteen", &InjectionCapsFrom, {20, 0x2000, 1, 2, 3}, std::nullopt},
        CapsCase{"InjectionFourElements", &InjectionCapsFrom, {16, 1, 2, 3}, std::nullopt},
        CapsCase{"RailMapEmpty", &RailMapListFrom, {4}, WordTable{2}},
        CapsCase{
            "RailMapTwo", &RailMapListFrom, {12, 0x10002, -1}, WordTable{10, 2, 1, 0xFFFF, 0xFFFF}},
        CapsCase{"SizeElementMustMatch", &RailMapListFrom, {16, 1}, std::nullopt}),
    test::CaseName());

TEST(CommandTableCaps, TableTooLargeForItsSizeWordIsRefused) {
  Longs largest(16386, 0);  // 4n - 2 = 65542 bytes: past what word 0 can hold
  largest[0] = Size(largest.size());
  EXPECT_EQ(RailMapListFrom(largest), std::nullopt);
  largest.resize(16384);  // 65534 bytes
  largest[0] = Size(largest.size());
  ASSERT_TRUE(RailMapListFrom(largest).has_value());
  EXPECT_EQ(RailMapListFrom(largest)->front(), 65534);
}

}  // namespace
}  // namespace vantel
