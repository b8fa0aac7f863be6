#include "cmdtable/machine_data.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

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

using Names = std::vector<std::string>;
using SensorMapping = std::map<int32_t, int32_t>;

struct SensorEntry {
  uint32_t id;
  uint16_t inputCode;
};

WordTable SensorTable(const std::vector<SensorEntry>& entries) {
  WordTable table(1 + entries.size() * kSensorEntryWords, 0);
  for (size_t i = 0; i < entries.size(); ++i) {
    const size_t at = 1 + i * kSensorEntryWords;
    SetLong(table, at, entries[i].id);
    SetWord(table, at + kSensorInputCodeWord, entries[i].inputCode);
    SetWord(table, at + 15, 0xBEEF);  // words the reader does not interpret
  }
  table[0] = static_cast<uint16_t>(table.size() * 2);
  return table;
}

struct StatusEntry {
  uint16_t status;
  uint32_t id;
};

WordTable StatusList(const std::vector<StatusEntry>& entries) {
  WordTable list{0};
  for (const StatusEntry& e : entries) {
    list.push_back(e.status);
    list.push_back(static_cast<uint16_t>(e.id & 0xFFFF));
    list.push_back(static_cast<uint16_t>(e.id >> 16));
  }
  list[0] = static_cast<uint16_t>(list.size() * 2);
  return list;
}

class MachineDataTest : public ::testing::Test {
 protected:
  MachineDataTest() {
    context.itemNames[kNameSensorTable] = "TAB_SENSORS";
    context.itemNames[kNameFlywheelStatusList] = "LST_STATUS";
    host.AddItem("TAB_SENSORS", 900, WordTable{2});
    host.AddItem("LST_STATUS", 901, WordTable{2});
    host.AddItem("TAB_CNFSYN1_0", 0x10001);
    host.AddItem("TAB_CNFSYN2_0", 0x10002);
    host.AddItem("TAB_OTHER", 0x10003);
    for (int i = 0; i < kConfigTableCount; ++i) {
      const std::string name = "TAB_CFG" + std::to_string(i + 1);
      context.itemNames[static_cast<size_t>(kNameEngineTable + i)] = name;
      host.AddItem(name, 910 + i, WordTable{4, static_cast<uint16_t>(i + 1)});
    }
  }

  void SetSensors(const std::vector<SensorEntry>& entries) {
    host.items["TAB_SENSORS"].value = SensorTable(entries);
  }
  void SetStatus(const std::vector<StatusEntry>& entries) {
    host.items["LST_STATUS"].value = StatusList(entries);
  }

  test::FakeHost host;
  test::HostedContext hosted{host};
  MachineContext& context = hosted.context;
  test::MessageBoxes boxes;
};

TEST(SensorClass, EveryInputCodeRangeAtItsBoundaries) {
  const std::vector<std::pair<uint16_t, int32_t>> classes = {
      {0, 0},         {255, 0},        {256, 4},        {511, 4},   {512, 8},    {767, 8},
      {768, 16},      {1023, 16},      {1024, 40},      {1279, 40}, {1280, 24},  {1535, 24},
      {1536, 128},    {1791, 128},     {1792, 64},      {2047, 64}, {2048, 192}, {2303, 192},
      {2304, 256},    {2559, 256},     {2560, 0},       {2600, 0},  {0xFFFB, 0}, {0xFFFC, 4096},
      {0xFFFD, 8192}, {0xFFFE, 16384}, {0xFFFF, 32768},
  };
  for (const auto& [inputCode, sensorClass] : classes)
    EXPECT_EQ(SensorClassOf(inputCode), sensorClass) << "input code " << inputCode;
}

TEST(SensorClass, AbsentIdentifierIsMinusOne) {
  const SensorMapping map{{5, 0}, {6, 64}};
  EXPECT_EQ(SensorClass(map, 5), 0);
  EXPECT_EQ(SensorClass(map, 6), 64);
  EXPECT_EQ(SensorClass(map, 7), -1);
}

TEST_F(MachineDataTest, TwoEntriesFillTheMapAndTheAuxiliaryPhase2Flag) {
  SetSensors({{0x00050001, 300}, {77, 2049}});
  ASSERT_EQ(std::get<WordTable>(host.items["TAB_SENSORS"].value).size(), 33u);
  context.phaseKnown = 1;
  ASSERT_TRUE(ReadSensorList(context, context));
  EXPECT_EQ(context.SensorMap, (SensorMapping{{0x00050001, 4}, {77, 192}}));
  EXPECT_EQ(context.auxPhase2SensorAvailable, 0);
  EXPECT_EQ(context.auxPhase3SensorAvailable, 1);
  EXPECT_EQ(context.sensorTable.size(), 33u) << "kept as read";
  EXPECT_EQ(context.phaseKnown, 1) << "phaseItemId -1 is absent, and absent counts as wired";
  ExpectNoLeak(host);
}

TEST_F(MachineDataTest, AuxiliaryPhase3InputClearsItsFlag) {
  SetSensors({{1, 2048}});
  ASSERT_TRUE(ReadSensorList(context, context));
  EXPECT_EQ(context.auxPhase2SensorAvailable, 1);
  EXPECT_EQ(context.auxPhase3SensorAvailable, 0);
}

TEST_F(MachineDataTest, LaterEntryWithTheSameIdentifierWins) {
  SetSensors({{9, 300}, {9, 2600}, {10, 1800}, {10, 0xFFFC}});
  ASSERT_TRUE(ReadSensorList(context, context));
  EXPECT_EQ(context.SensorMap, (SensorMapping{{9, 0}, {10, 4096}}));
}

TEST_F(MachineDataTest, TablesThatAreNoWholeEntriesFillNothing) {
  const std::vector<size_t> wordCounts = {20, 1 + 15, 1 + 17, 1};
  for (size_t words : wordCounts) {
    WordTable table(words, 0x0801);  // every word looks like an auxiliary phase 2 input
    table[0] = static_cast<uint16_t>(words * 2);
    host.items["TAB_SENSORS"].value = table;
    context.SensorMap[1] = 4;
    context.phaseKnown = 0;
    context.auxPhase2SensorAvailable = 0;
    context.auxPhase3SensorAvailable = 0;
    ASSERT_TRUE(ReadSensorList(context, context)) << words;
    EXPECT_TRUE(context.SensorMap.empty()) << words;
    EXPECT_EQ(context.auxPhase2SensorAvailable, 1) << words;
    EXPECT_EQ(context.auxPhase3SensorAvailable, 1) << words;
    EXPECT_EQ(context.phaseKnown, 1) << words;
  }
  ExpectNoLeak(host);
}

TEST_F(MachineDataTest, SensorTableOfAnUnusableItemFillsNothing) {
  SetSensors({{1, 300}});
  for (uint32_t stateBits : {0x40000000u, 0x00000000u, 0x88000000u}) {
    host.items["TAB_SENSORS"].stateBits = static_cast<int32_t>(stateBits);
    ASSERT_TRUE(ReadSensorList(context, context));
    EXPECT_TRUE(context.SensorMap.empty()) << std::hex << stateBits;
  }
}

TEST_F(MachineDataTest, PhaseIsKnownOnlyWhenItsSensorIsWired) {
  const std::vector<std::pair<uint16_t, int32_t>> cases = {{100, 0},  {300, 1},    {1800, 1},
                                                           {2600, 0}, {0xFFFE, 1}, {0xFFFF, 0}};
  context.phaseItemId = 55;
  for (const auto& [inputCode, known] : cases) {
    SetSensors({{55, inputCode}, {56, 300}});
    ASSERT_TRUE(ReadSensorList(context, context));
    EXPECT_EQ(context.phaseKnown, known) << "input code " << inputCode;
  }
  SetSensors({{56, 300}});
  ASSERT_TRUE(ReadSensorList(context, context));
  EXPECT_EQ(context.phaseKnown, 1) << "an identifier absent from the map counts as wired";
}

TEST_F(MachineDataTest, FailedSensorReadIsShownAndLeavesTheMapEmpty) {
  context.SensorMap[3] = 8;
  context.phaseKnown = 1;
  context.auxPhase2SensorAvailable = 0;
  host.Fail(REQ_ITEM_VALUE, "TAB_SENSORS", HOST_TRANSFER_ERROR);
  EXPECT_FALSE(ReadSensorList(context, context));
  EXPECT_TRUE(context.SensorMap.empty());
  EXPECT_EQ(context.phaseKnown, 0);
  EXPECT_EQ(context.auxPhase2SensorAvailable, 0) << "flags are set only after a good read";
  EXPECT_EQ(boxes.Texts(), Names{HostMessage(IDS_HOST_TRANSFER_ERROR)});
  ExpectNoLeak(host);
}

struct StatusCase {
  const char* name;
  std::vector<StatusEntry> entries;
  int32_t flag;
};

class StatusCases : public MachineDataTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StatusCases, SetTheFlywheelTableFlag) {
  SetStatus(GetParam().entries);
  context.flywheelTableFlag = 0;
  ASSERT_TRUE(ReadFlywheelStatusList(context, context));
  EXPECT_EQ(context.flywheelTableFlag, GetParam().flag);
  EXPECT_TRUE(boxes.shown.empty());
  ExpectNoLeak(host);
}

INSTANTIATE_TEST_SUITE_P(
    MachineData, StatusCases,
    ::testing::Values(StatusCase{"SecondSyncTableOutOfDate", {{0, 0x10002}}, 0},
                      StatusCase{"SecondSyncTableUpToDate", {{1, 0x10002}}, 1},
                      StatusCase{"FirstSyncTableOutOfDate", {{1, 0x10002}, {2, 0x10001}}, 0},
                      StatusCase{"OtherTablesDoNotCount", {{0, 0x10003}, {1, 0x10001}}, 1},
                      StatusCase{"UnnamedIdentifierIsSkipped", {{0, 0x7777}, {1, 0x10002}}, 1},
                      StatusCase{"EmptyList", {}, 1}),
    test::CaseName());

TEST_F(MachineDataTest, StatusListThatIsNoWholeEntriesIsIgnored) {
  WordTable list = StatusList({{0, 0x10002}});
  list.push_back(0);
  list[0] = static_cast<uint16_t>(list.size() * 2);
  host.items["LST_STATUS"].value = list;
  ASSERT_TRUE(ReadFlywheelStatusList(context, context));
  EXPECT_EQ(context.flywheelTableFlag, 1);

  SetStatus({{0, 0x10002}});
  host.items["LST_STATUS"].stateBits = 0;
  ASSERT_TRUE(ReadFlywheelStatusList(context, context));
  EXPECT_EQ(context.flywheelTableFlag, 1) << "an unusable list is not read";
}

TEST_F(MachineDataTest, FailedStatusReadIsShownAndFails) {
  host.Fail(REQ_ITEM_VALUE, "LST_STATUS", HOST_DATA_ERROR);
  context.flywheelTableFlag = 0;
  EXPECT_FALSE(ReadFlywheelStatusList(context, context));
  EXPECT_EQ(context.flywheelTableFlag, 1);
  EXPECT_EQ(boxes.Texts(), Names{HostMessage(IDS_HOST_DATA_ERROR)});
  ExpectNoLeak(host);
}

TEST_F(MachineDataTest, ConfigurationTablesAreReadInOrderUntilOneFails) {
  ASSERT_TRUE(ReadConfigurationTables(context, context));
  for (int i = 0; i < kConfigTableCount; ++i)
    EXPECT_EQ(context.Table(i), (WordTable{4, static_cast<uint16_t>(i + 1)}));

  host.ClearLog();
  host.Fail(REQ_ITEM_VALUE, "TAB_CFG3", HOST_ACCESS_ERROR);
  host.items["TAB_CFG4"].value = WordTable{4, 99};
  EXPECT_FALSE(ReadConfigurationTables(context, context));
  EXPECT_EQ(host.Count(REQ_ITEM_VALUE), 3u) << "nothing is read after the failed table";
  EXPECT_EQ(context.Table(kToothAngleTable), (WordTable{4, 4}));
  EXPECT_EQ(context.Table(kToothWindowTable), (WordTable{4, 3})) << "kept when its read fails";
  EXPECT_EQ(boxes.Texts(), Names{HostMessage(IDS_HOST_ACCESS_ERROR)});
  ExpectNoLeak(host);
}

TEST_F(MachineDataTest, OneConfigurationTableIsReadByItsName) {
  host.items["TAB_CFG5"].value = WordTable{6, 5, 5};
  EXPECT_TRUE(ReadConfigurationTable(context, context, "TAB_CFG5"));
  EXPECT_EQ(context.Table(kToothPositionTable), (WordTable{6, 5, 5}));
  EXPECT_TRUE(context.Table(kEngineTable).empty());

  host.ClearLog();
  EXPECT_FALSE(ReadConfigurationTable(context, context, "TAB_SENSORS"));
  EXPECT_FALSE(ReadConfigurationTable(context, context, "tab_cfg5")) << "names compare exactly";
  EXPECT_TRUE(host.log.empty());

  host.Fail(REQ_ITEM_VALUE, "TAB_CFG1", HOST_ACTION_ERROR);
  EXPECT_FALSE(ReadConfigurationTable(context, context, "TAB_CFG1"));
  EXPECT_EQ(boxes.Texts(), Names{HostMessage(IDS_HOST_ACTION_ERROR)});
  ExpectNoLeak(host);
}

}  // namespace
}  // namespace vantel
