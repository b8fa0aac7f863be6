#include "config/check_driver.h"

#include <array>

#include "cmdtable/command_table.h"
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
#include "ui/sis_report.h"

namespace vantel {
namespace {

static_assert(static_cast<int>(kEngineTable) == kNameEngineTable &&
                  static_cast<int>(kRegularToothTable) == kNameRegularToothTable,
              "configuration tables and their item names share one order");

// REQ_ITEM_STATE classes under which an incoherent EngineTable is marked.
constexpr uint32_t kItemClassMask = 0xE8000000u;
constexpr std::array<uint32_t, 2> kMarkableClasses = {0x80000000u, 0x88000000u};
constexpr int32_t kStateUnknown = 0x20000000;

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

ItemResolver HostResolver(MachineContext& context) {
  return [&context](int32_t id) {
    std::string name;
    return ResolveItemName(context, id, name);
  };
}

std::string ItemNameOf(const MachineContext& context, ConfigTableIndex table) {
  return context.ItemName(static_cast<int>(table));
}

bool ConfigurationItemsUsable(MachineContext& context) {
  for (int table = kEngineTable; table < kConfigTableCount; ++table) {
    if (ItemUsable(context, ItemNameOf(context, static_cast<ConfigTableIndex>(table))) == 0) {
      return false;
    }
  }
  return true;
}

// Group 5 of the engine rules: the stored flywheel tables must be what the generator makes
// of the stored configuration. Machines 0 to 7 get them rewritten silently.
bool RefreshFlywheelTables(MachineContext& context, ErrorList& errors) {
  FlywheelTableRefresh refresh = RegenerateFlywheelTables(context.tables);
  if (!refresh.built) {
    // Nothing sound to write: empty tables would stop the engine.
    errors.Add(IDS_FLYWHEEL_TABLES_NOT_OPTIMIZED);
    return false;
  }
  if (refresh.changed.empty()) return true;
  if (!context.InFirstEightMachines()) {
    errors.Add(IDS_FLYWHEEL_TABLES_NOT_OPTIMIZED);
    return false;
  }
  context.state |= TablesUpdating;
  for (auto& [table, words] : refresh.changed) {
    // A failed write has shown its message; the copy keeps what the host still holds.
    if (SendWords(context, REQ_ITEM_WRITE, ItemNameOf(context, table), words)) {
      context.Table(table) = std::move(words);
    }
  }
  context.state &= ~TablesUpdating;
  return true;
}

// The rule groups over the stored tables; every group runs so that the report lists every
// broken rule. True when the configuration is coherent.
bool RunRuleGroups(MachineContext& context, ErrorList& errors) {
  bool coherent = true;
  {
    const RuleView view = StoredRuleView(context);
    const EngineRuleOutcome engine = CheckEngineRules(view, errors);
    coherent = engine.sound;
    // The regeneration may replace the tables the view borrows: it runs last.
    if (engine.flywheelTablesBuildable && !RefreshFlywheelTables(context, errors)) {
      coherent = false;
    }
  }
  const RuleView view = StoredRuleView(context);
  if (!CheckIgnitionRules(view, context.injectionChannelCount, errors)) coherent = false;
  if (!CheckInjectionRules(view, context.injectionChannelCount, errors)) coherent = false;
  return coherent;
}

void MarkIncoherent(MachineContext& context) {
  const std::string name = ItemNameOf(context, kEngineTable);
  int32_t id = -1;
  if (LookUpItemId(context, name, id) == ItemLookup::Absent) return;
  int32_t stateBits = kStateUnknown;
  AskInt(context, REQ_ITEM_STATE, name, stateBits);
  const uint32_t itemClass = static_cast<uint32_t>(stateBits) & kItemClassMask;
  if (itemClass != kMarkableClasses[0] && itemClass != kMarkableClasses[1]) return;
  SendInt(context, REQ_ITEM_MARK, name, 1);
}

// A sensor item is wired when it exists and the sensor table does not give it a class
// that measures no pressure.
bool SensorWired(MachineContext& context, const char* item) {
  int32_t id = -1;
  if (LookUpItemId(context, item, id) == ItemLookup::Absent) return false;
  return (SensorClass(context.SensorMap, id) & kWiredSensorClasses) != 0;
}

bool FuelPressureOnBothRails(MachineContext& context) {
  if (SensorWired(context, kHighFuelPressure[0])) return SensorWired(context, kHighFuelPressure[1]);
  if (SensorWired(context, kHighFuelPressure[1])) return false;
  return SensorWired(context, kLowFuelPressure[0]) && SensorWired(context, kLowFuelPressure[1]);
}

int32_t ComputeOptionFlags(MachineContext& context) {
  int32_t flags = FuelPressureOnBothRails(context) ? kOptionFuelPressureBothRails : 0;
  if (context.ConfigState != kConfigCoherent) return flags;
  const WordTable& engine = context.Table(kEngineTable);
  const uint16_t injection = Word(engine, kEngineInjectionWord);
  if (Word(engine, kEngineBanksWord) != 0) flags |= kOptionBanks;
  if (injection & kInjectionDirect) flags |= kOptionDirectInjection;
  if (injection & kInjectionTwoRails) flags |= kOptionTwoRails;
  return flags;
}

int32_t ComputeInjectionFlags(const MachineContext& context) {
  if (context.ConfigState != kConfigCoherent) return 0;
  const WordTable& engine = context.Table(kEngineTable);
  const int cylinders = Word(engine, kEngineCylindersWord);
  const uint16_t injection = Word(engine, kEngineInjectionWord);
  const int freedChannels = Word(context.caps.InjectionCaps, 2);
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

void WriteSummaryWords(MachineContext& context) {
  context.OptionFlags = ComputeOptionFlags(context);
  SendInt(context, REQ_ITEM_WRITE, context.ItemName(kNameOptionFlags), context.OptionFlags);

  const int32_t injectionFlags = ComputeInjectionFlags(context);
  if (injectionFlags == context.InjectionFlags) return;
  // Remembered only once the host has it, so that a failed write is tried again.
  if (SendInt(context, REQ_ITEM_WRITE, context.ItemName(kNameInjectionFlags), injectionFlags)) {
    context.InjectionFlags = injectionFlags;
  }
}

}  // namespace

bool CheckConfiguration(MachineContext& context) {
  ErrorList errors;
  bool coherent = false;
  context.injectionChannelCount = Word(context.caps.InjectionCaps, 3);

  UpgradeEngineTable(context, HostResolver(context));
  UpgradeSyncTable(context);

  if (ConfigurationItemsUsable(context)) {
    switch (CheckFormat(context.tables)) {
      case FormatCheck::kUnknownToEcu:
        errors.Add(IDS_CONFIG_LAYOUT_UNKNOWN);
        context.ConfigState = kConfigUnknownToEcu;
        break;
      case FormatCheck::kFlywheelTablesError:
        errors.Add(IDS_FLYWHEEL_TABLES_MALFORMED);
        context.ConfigState = kConfigIncoherent;
        break;
      case FormatCheck::kOk:
        coherent = RunRuleGroups(context, errors);
        context.ConfigState = coherent ? kConfigCoherent : kConfigIncoherent;
        if (coherent) {
          SendInt(context, REQ_ITEM_MARK, ItemNameOf(context, kEngineTable), 0);
          CheckRailMapScales(StoredRuleView(context), HostResolver(context), errors);
        }
        break;
    }
  }

  if (context.ConfigState == kConfigIncoherent || context.ConfigState == kConfigUnknownToEcu) {
    MarkIncoherent(context);
  }
  FillReport(context.report.get(), errors.Text());
  WriteSummaryWords(context);
  return coherent;
}

bool CheckDialogConfiguration(MachineContext& context, const RuleView& edited,
                              int32_t& injectionChannelCount, std::string& errorText) {
  ErrorList errors;
  injectionChannelCount = Word(edited.injectionCaps, 3);
  CheckEngineRules(edited, errors);
  CheckIgnitionRules(edited, injectionChannelCount, errors);
  CheckInjectionRules(edited, injectionChannelCount, errors);
  const bool passed = errors.empty();
  if (passed) CheckRailMapScales(edited, HostResolver(context), errors);
  errorText = errors.Text();
  FillReport(context.report.get(), errorText);
  return passed;
}

}  // namespace vantel
