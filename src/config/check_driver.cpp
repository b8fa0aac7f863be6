#include "config/check_driver.h"

#include <functional>

#include "cmdtable/host_items.h"
#include "cmdtable/machine_data.h"
#include "config/engine_record.h"
#include "config/engine_rules.h"
#include "config/ignition_rules.h"
#include "config/injection_rules.h"
#include "config/map_scale_rules.h"
#include "config/record_upgrade.h"
#include "host/requests.h"
#include "res/string_ids.h"

namespace vantel {
namespace {

enum OptionFlagBits : int32_t {
  kOptionBanks = 0x1,
  kOptionFuelPressureBothRails = 0x2,
  kOptionDirectInjection = 0x4,
  kOptionTwoRails = 0x8,
};

enum InjectionFlagBits : int32_t {
  kInjectionFullySequential = 0x1,
  kInjectionDirectTwoRailsFlag = 0x2,
};

// Fuel pressure sensors of rail 1 and rail 2, high pressure then low pressure.
constexpr const char* kHighFuelPressure[2] = {"PRS_HFUEL_0", "PRS_HFUEL_1"};
constexpr const char* kLowFuelPressure[2] = {"PRS_LFUEL_0", "PRS_LFUEL_1"};

ItemResolver HostResolver(HostChannel& host) {
  return [&host](int32_t id) {
    std::string name;
    return ResolveItemName(host, id, name);
  };
}

bool ConfigurationItemsUsable(ConfiguredMachine& machine) {
  for (int table = kEngineTable; table < kConfigTableCount; ++table) {
    if (ItemUsable(machine, machine.ItemName(table)) == 0) {
      return false;
    }
  }
  return true;
}

// The first word of a stored table that the generator would make otherwise.
Finding StaleFlywheelTable(const std::array<WordTable, kConfigTableCount>& stored,
                           const std::pair<ConfigTableIndex, WordTable>& regenerated) {
  const auto& [table, words] = regenerated;
  const WordTable& held = stored[static_cast<size_t>(table)];
  size_t word = 0;
  while (word < words.size() && word < held.size() && words[word] == held[word]) ++word;
  Finding finding(IDS_FLYWHEEL_TABLES_NOT_OPTIMIZED, "flywheel-tables-stale");
  finding.Word(static_cast<RuleTable>(table), word).Found(Word(held, word), Unit::kWord);
  return finding.Limit(Bound::kExactly, {Word(words, word)});
}

// Which table of the six breaks the format check, and how.
Finding FormatFinding(const std::array<WordTable, kConfigTableCount>& tables, FormatCheck check) {
  if (check == FormatCheck::kUnknownToEcu) {
    const bool engineKnown = IsCurrentEngineTable(tables[kEngineTable]);
    const ConfigTableIndex table = engineKnown ? kSyncTable : kEngineTable;
    const WordTable& words = tables[table];
    const size_t size = engineKnown ? kSyncTableWords : kEngineTableWords;
    Finding finding(IDS_CONFIG_LAYOUT_UNKNOWN, "configuration-layout");
    const auto rule = static_cast<RuleTable>(table);
    // The first word that differs from the current layout: the length, the size word, the
    // format word, then the reference positions.
    if (words.size() != size) {
      finding.Word(rule, 0).Found(static_cast<int64_t>(words.size()));
      return finding.Limit(Bound::kExactly, {static_cast<int64_t>(size)});
    }
    if (!SizeWordAgrees(words)) {
      finding.Word(rule, 0).Found(Word(words, 0), Unit::kWord);
      return finding.Limit(Bound::kExactly, {static_cast<int64_t>(2 * size)});
    }
    if (Word(words, kEngineFormatWord) != kEngineFormat) {
      finding.Word(rule, kEngineFormatWord).Found(Word(words, kEngineFormatWord), Unit::kWord);
      return finding.Limit(Bound::kExactly, {kEngineFormat});
    }
    size_t i = 0;
    while (i + 1 < kEngineReferencePositions.size() &&
           Word(words, kEngineReferencePositionWord + i) == kEngineReferencePositions[i])
      ++i;
    const size_t word = kEngineReferencePositionWord + i;
    finding.Word(rule, word).Found(Word(words, word), Unit::kWord);
    return finding.Limit(Bound::kExactly, {kEngineReferencePositions[i]});
  }
  int table = kToothWindowTable;
  while (table < kRegularToothTable &&
         IsWellFormedFlywheelTable(tables[static_cast<size_t>(table)]))
    ++table;
  const WordTable& words = tables[static_cast<size_t>(table)];
  // Word 0 counts the table's own bytes.
  Finding finding(IDS_FLYWHEEL_TABLES_MALFORMED, "flywheel-table-format");
  finding.Word(static_cast<RuleTable>(table), 0).Found(Word(words, 0), Unit::kWord);
  return finding.Limit(Bound::kExactly, {static_cast<int64_t>(2 * words.size())});
}

// Group 5 of the engine rules: the stored flywheel tables must be what the generator makes
// of the stored configuration. Machines 0 to 7 get them rewritten silently.
bool RefreshFlywheelTables(ConfiguredMachine& machine, ErrorList& errors) {
  FlywheelTableRefresh refresh = RegenerateFlywheelTables(machine.tables);
  if (!refresh.built) {
    // Nothing sound to write: empty tables would stop the engine.
    errors.Add(IDS_FLYWHEEL_TABLES_NOT_OPTIMIZED, "flywheel-tables-not-built")
        .Word(RuleTable::kSyncTable, kSyncFlywheelWord)
        .Word(RuleTable::kEngineTable, kEngineCylindersWord);
    return false;
  }
  if (refresh.changed.empty()) return true;
  if (!machine.InFirstEightMachines()) {
    errors.Add(StaleFlywheelTable(machine.tables, refresh.changed.front()));
    return false;
  }
  machine.BeginTablesUpdate();
  for (auto& [table, words] : refresh.changed) {
    // A failed write has shown its message; the copy keeps what the host still holds.
    if (SendWords(machine, REQ_ITEM_WRITE, machine.ItemName(table), words)) {
      machine.Table(table) = std::move(words);
    }
  }
  machine.EndTablesUpdate();
  return true;
}

// The one order of the rule groups, for both forms: engine, then (stored form) its flywheel
// tables, ignition, injection. Every group runs so that the report lists every broken rule.
// `view` gives a fresh view each time: the flywheel step may replace the tables.
bool RunRuleGroups(const std::function<RuleView()>& view,
                   const std::function<bool(ErrorList&)>& flywheelTables,
                   int32_t& injectionChannelCount, ErrorList& errors) {
  const EngineRuleOutcome engine = CheckEngineRules(view(), errors);
  bool passed = engine.sound;
  if (engine.flywheelTablesBuildable && flywheelTables && !flywheelTables(errors)) passed = false;
  if (!CheckIgnitionRules(view(), injectionChannelCount, errors)) passed = false;
  if (!CheckInjectionRules(view(), injectionChannelCount, errors)) passed = false;
  return passed;
}

void MarkIncoherent(ConfiguredMachine& machine) {
  const std::string name = machine.ItemName(kNameEngineTable);
  int32_t id = -1;
  if (LookUpItemId(machine, name, id) == ItemLookup::Absent) return;
  // An unreadable state is unknown, not markable. A refused mark has shown its error; the
  // verdict stands without it.
  int32_t stateBits = kItemStateUnknown;
  static_cast<void>(AskInt(machine, REQ_ITEM_STATE, name, stateBits));
  if (!ItemClassMarkable(ItemStateClass(stateBits))) return;
  static_cast<void>(SendInt(machine, REQ_ITEM_MARK, name, 1));
}

// A sensor item is wired when it exists and the sensor table does not give it a class
// that measures no pressure.
bool SensorWired(ConfiguredMachine& machine, const char* item) {
  int32_t id = -1;
  if (LookUpItemId(machine, item, id) == ItemLookup::Absent) return false;
  return (SensorClass(machine.SensorMap, id) & kWiredSensorClasses) != 0;
}

bool FuelPressureOnBothRails(ConfiguredMachine& machine) {
  if (SensorWired(machine, kHighFuelPressure[0])) return SensorWired(machine, kHighFuelPressure[1]);
  if (SensorWired(machine, kHighFuelPressure[1])) return false;
  return SensorWired(machine, kLowFuelPressure[0]) && SensorWired(machine, kLowFuelPressure[1]);
}

int32_t ComputeOptionFlags(ConfiguredMachine& machine) {
  int32_t flags = FuelPressureOnBothRails(machine) ? kOptionFuelPressureBothRails : 0;
  if (machine.ConfigState != kConfigCoherent) return flags;
  const WordTable& engine = machine.Table(kEngineTable);
  const uint16_t injection = Word(engine, kEngineInjectionWord);
  if (Word(engine, kEngineBanksWord) != 0) flags |= kOptionBanks;
  if (injection & kInjectionDirect) flags |= kOptionDirectInjection;
  if (injection & kInjectionTwoRails) flags |= kOptionTwoRails;
  return flags;
}

int32_t ComputeInjectionFlags(const ConfiguredMachine& machine) {
  if (machine.ConfigState != kConfigCoherent) return 0;
  const WordTable& engine = machine.Table(kEngineTable);
  const int cylinders = Word(engine, kEngineCylindersWord);
  const uint16_t injection = Word(engine, kEngineInjectionWord);
  const int freedChannels = Word(machine.caps.InjectionCaps, 2);
  // Every injector has a channel of its own.
  const bool fullySequential =
      ((injection & kInjectionSequentialOrDirectOneRail) && cylinders == freedChannels) ||
      ((injection & kInjectionSequentialTwoRails) && 2 * cylinders == freedChannels) ||
      ((injection & kInjectionDirectTwoRails) && cylinders > 3) ||
      ((injection & kInjectionSemiSequentialTwoRails) && cylinders == freedChannels);
  int32_t flags = fullySequential ? kInjectionFullySequential : 0;
  if (injection & kInjectionDirectTwoRails) flags |= kInjectionDirectTwoRailsFlag;
  return flags;
}

}  // namespace

void WriteSummaryWords(ConfiguredMachine& machine) {
  machine.OptionFlags = ComputeOptionFlags(machine);
  // Written on every check, so a refused write is tried again by the next one.
  static_cast<void>(
      SendInt(machine, REQ_ITEM_WRITE, machine.ItemName(kNameOptionFlags), machine.OptionFlags));

  const int32_t injectionFlags = ComputeInjectionFlags(machine);
  if (injectionFlags == machine.InjectionFlags) return;
  // Remembered only once the host has it, so that a failed write is tried again.
  if (SendInt(machine, REQ_ITEM_WRITE, machine.ItemName(kNameInjectionFlags), injectionFlags)) {
    machine.InjectionFlags = injectionFlags;
  }
}

CheckOutcome CheckConfiguration(ConfiguredMachine& machine) {
  ErrorList errors;
  bool coherent = false;
  machine.injectionChannelCount = Word(machine.caps.InjectionCaps, 3);

  UpgradeEngineTable(machine, HostResolver(machine));
  UpgradeSyncTable(machine);

  if (ConfigurationItemsUsable(machine)) {
    switch (CheckFormat(machine.tables)) {
      case FormatCheck::kUnknownToEcu:
        errors.Add(FormatFinding(machine.tables, FormatCheck::kUnknownToEcu));
        machine.ConfigState = kConfigUnknownToEcu;
        break;
      case FormatCheck::kFlywheelTablesError:
        errors.Add(FormatFinding(machine.tables, FormatCheck::kFlywheelTablesError));
        machine.ConfigState = kConfigIncoherent;
        break;
      case FormatCheck::kOk:
        coherent = RunRuleGroups(
            [&machine] { return StoredRuleView(machine); },
            [&machine](ErrorList& list) { return RefreshFlywheelTables(machine, list); },
            machine.injectionChannelCount, errors);
        machine.ConfigState = coherent ? kConfigCoherent : kConfigIncoherent;
        if (coherent) {
          // A refused mark has shown its error; the verdict stands without it.
          static_cast<void>(SendInt(machine, REQ_ITEM_MARK, machine.ItemName(kNameEngineTable), 0));
          CheckRailMapScales(StoredRuleView(machine), HostResolver(machine), errors);
        }
        break;
    }
  }

  if (ConfigurationUnusable(machine.ConfigState)) MarkIncoherent(machine);
  return {coherent, errors.Text(), errors.findings()};
}

CheckOutcome CheckDialogConfiguration(HostChannel& host, const RuleView& edited,
                                      int32_t& injectionChannelCount) {
  ErrorList errors;
  injectionChannelCount = Word(edited.injectionCaps, 3);
  const bool passed =
      RunRuleGroups([&edited] { return edited; }, nullptr, injectionChannelCount, errors);
  if (passed) CheckRailMapScales(edited, HostResolver(host), errors);
  return {passed, errors.Text(), errors.findings()};
}

}  // namespace vantel
