#include "cmdtable/machine_data.h"

#include <array>

#include "cmdtable/host_items.h"
#include "host/requests.h"

namespace vantel {
namespace {

struct InputCodeClass {
  uint16_t first;
  uint16_t last;
  int32_t sensorClass;
};

// Input codes 2560 to 0xFFFB fall in no range and give class 0.
constexpr std::array<InputCodeClass, 14> kInputCodeClasses{{
    {0, 255, 0},
    {256, 511, 4},
    {512, 767, 8},
    {768, 1023, 16},
    {1024, 1279, 40},
    {1280, 1535, 24},
    {1536, 1791, 128},
    {1792, 2047, 64},
    {2048, 2303, 192},
    {2304, 2559, 256},
    {0xFFFC, 0xFFFC, 4096},
    {0xFFFD, 0xFFFD, 8192},
    {0xFFFE, 0xFFFE, 16384},
    {0xFFFF, 0xFFFF, 32768},
}};

// A list of whole entries after the size word, of an item the host calls usable.
bool HoldsEntries(HostChannel& host, const std::string& item, const WordTable& table,
                  size_t entryWords) {
  if (ItemUsable(host, item) != 1) return false;
  return table.size() > 1 && (table.size() - 1) % entryWords == 0;
}

}  // namespace

int32_t SensorClassOf(uint16_t inputCode) {
  for (const InputCodeClass& range : kInputCodeClasses)
    if (inputCode >= range.first && inputCode <= range.last) return range.sensorClass;
  return 0;
}

int32_t SensorClass(const std::map<int32_t, int32_t>& map, int32_t id) {
  auto found = map.find(id);
  return found == map.end() ? -1 : found->second;
}

bool ReadConfigurationTables(HostChannel& host, MachineData& data) {
  for (int table = 0; table < kConfigTableCount; ++table)
    if (!AskTable(host, REQ_ITEM_VALUE, data.ItemName(kNameEngineTable + table), data.Table(table)))
      return false;
  return true;
}

bool ReadConfigurationTable(HostChannel& host, MachineData& data, const std::string& item) {
  for (int table = 0; table < kConfigTableCount; ++table) {
    if (data.itemNames[static_cast<size_t>(kNameEngineTable + table)] != item) continue;
    return AskTable(host, REQ_ITEM_VALUE, item, data.Table(table));
  }
  return false;
}

bool ReadSensorList(HostChannel& host, MachineData& data) {
  data.SensorMap.clear();
  data.phaseKnown = 0;
  const std::string name = data.ItemName(kNameSensorTable);
  if (!AskTable(host, REQ_ITEM_VALUE, name, data.sensorTable)) return false;
  data.auxPhase2SensorAvailable = 1;
  data.auxPhase3SensorAvailable = 1;

  const WordTable& table = data.sensorTable;
  if (HoldsEntries(host, name, table, kSensorEntryWords)) {
    for (size_t entry = 1; entry < table.size(); entry += kSensorEntryWords) {
      const int32_t id = static_cast<int32_t>(Long(table, entry));
      const uint16_t inputCode = Word(table, entry + kSensorInputCodeWord);
      data.SensorMap[id] = SensorClassOf(inputCode);  // a later entry replaces an earlier one
      if (inputCode == kAuxPhase3InputCode) data.auxPhase3SensorAvailable = 0;
      if (inputCode == kAuxPhase2InputCode) data.auxPhase2SensorAvailable = 0;
    }
  }
  if (SensorClass(data.SensorMap, data.phaseItemId) & kWiredSensorClasses) data.phaseKnown = 1;
  return true;
}

bool ReadFlywheelStatusList(HostChannel& host, MachineData& data) {
  data.flywheelTableFlag = 1;
  const std::string name = data.ItemName(kNameFlywheelStatusList);
  WordTable list;
  if (!AskTable(host, REQ_ITEM_VALUE, name, list)) return false;
  if (!HoldsEntries(host, name, list, kStatusEntryWords)) return true;
  std::string tableName;
  for (size_t entry = 1; entry < list.size(); entry += kStatusEntryWords) {
    const uint16_t status = Word(list, entry);
    if (!ResolveItemName(host, static_cast<int32_t>(Long(list, entry + 1)), tableName)) continue;
    if (tableName != kSyncTable1Item && tableName != kSyncTable2Item) continue;
    if (status != 1) data.flywheelTableFlag = 0;
  }
  return true;
}

}  // namespace vantel
