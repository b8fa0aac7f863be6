#include <algorithm>

#include "cmdtable/command_group.h"
#include "cmdtable/command_table.h"
#include "cmdtable/host_items.h"
#include "cmdtable/machine_data.h"
#include "config/check_driver.h"
#include "config/engine_record.h"
#include "host/requests.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "plugin/flows.h"
#include "plugin/handlers.h"
#include "plugin/vantel_app.h"
#include "res/string_ids.h"
#include "ui/sis_report.h"

namespace vantel {
namespace {

constexpr int32_t kBanksKeyBit = 0x8000;

struct UserList {
  const char* name;
  int32_t MachineContext::*field;
};
constexpr UserList kUserLists[] = {
    {"VALUSER_LSTSEL", &MachineContext::lstSel}, {"VALUSER_LSTSXC", &MachineContext::lstSxc},
    {"VALUSER_LSTSYC", &MachineContext::lstSyc}, {"VALUSER_LSTPIL", &MachineContext::lstPil},
    {"VALUSER_LSTPID", &MachineContext::lstPid},
};

// A scale reference from its two halves: -1 when the low half is 0.
int32_t ScaleReference(const WordTable& engine, size_t lowWord) {
  const uint16_t low = Word(engine, lowWord);
  if (low == 0) return -1;
  const auto high = static_cast<int16_t>(Word(engine, lowWord + 1));
  return static_cast<int32_t>((static_cast<uint32_t>(static_cast<int32_t>(high)) << 16) | low);
}

void SendRailScales(MachineContext& context) {
  // Copies: a failed request shows a message, in which the host may re-read the tables.
  const WordTable rails = context.caps.RailMapList;
  const WordTable engine = context.Table(kEngineTable);
  // A longer list names maps for which the engine table holds no reference.
  const size_t count = std::min(RailMapCount(rails), kRailsWithScaleReferences);
  for (size_t r = 0; r < count; ++r) {
    std::string map;
    if (!ResolveItemName(context, RailMapId(rails, r), map)) continue;
    int32_t isMap = 0;
    if (!AskInt(context, REQ_ITEM_IS_MAP, map, isMap) || isMap == 0) continue;
    const size_t base = RailScaleReferenceWord(r);
    // Each map stands alone: a refusal has shown its error and the next map is still sent.
    static_cast<void>(SendInt(context, REQ_ITEM_VSCALE, map, ScaleReference(engine, base)));
    static_cast<void>(SendInt(context, REQ_ITEM_HSCALE, map, ScaleReference(engine, base + 2)));
  }
}

// Whether the candidate item `id` can be named and read as an integer.
bool CandidateReadable(MachineContext& context, int32_t id) {
  std::string name;
  if (!ResolveItemName(context, id, name)) return false;
  int32_t ignored = 0;
  return AskInt(context, REQ_ITEM_VALUE, name, ignored);
}

void FailOpen(MachineContext& context, const std::string& key) {
  context.OpenFailed();
  ShowMessageBox(context.machineName + "\n" + LoadString(IDS_MAJOR_ERROR), MB_OK | MB_ICONERROR);
  EndAction(context, key);
  context.EndBusy();
}

}  // namespace

int32_t CylinderKey(const WordTable& engineTable) {
  int32_t key = 0;
  const uint16_t cylinders = Word(engineTable, kEngineCylindersWord);
  for (size_t i = 0; i < kCylinderCounts.size(); ++i)
    if (kCylinderCounts[i] == cylinders) key = 1 << i;
  if (Word(engineTable, kEngineBanksWord) != 0) key |= kBanksKeyBit;
  return key;
}

bool GroupApplies(const CommandGroup& group, const WordTable& engine, int32_t key,
                  int32_t optionFlags) {
  const int32_t word20 = Word(engine, kEngineIgnitionWord);
  const int32_t word21 = Word(engine, kEngineInjectionWord);
  const bool pair1 = (group.CN0 & word21) != 0 && (key & group.CN1) != 0;
  const bool pair2 = (group.CN2 & word20) != 0 && (key & group.CN3) != 0;
  const bool pair3 = (group.CN4 & word20) != 0 && (key & group.CN5) != 0;
  return (pair1 || pair2 || pair3) && (group.CN6 & optionFlags) == group.CN6;
}

bool ResetForOpen(MachineContext& context) {
  context.report.reset();
  // A name the host does not give keeps the one known before.
  static_cast<void>(RefreshMachineName(context));
  int32_t level = 0;
  context.wideItemChoice = AskUserLevel(context, level) && level <= 5 ? 1 : 0;
  context.ResetFacts();
  context.ResetVerdict();
  context.refreshAllPending = 0;
  context.refreshPartPending = 0;
  bool all = true;
  for (const UserList& list : kUserLists) {
    int32_t& field = context.*list.field;
    field = 0;
    int32_t value = 0;
    if (AskIntQuiet(context, REQ_USER_VALUE, list.name, value)) field = value;
    all = all && field != 0;
  }
  return all;
}

void CreateMachineReport(MachineContext& context) {
  context.report = CreateReport(context, GetMachineName(context));
}

void OpenConfiguration(int64_t index, CVantelApp& app, const std::string& key) {
  MachineContext* context = FindContext(app, index);
  if (context == nullptr) {
    const bool created =
        index >= 0 && index <= kMaxMachineIndex && CreateContext(static_cast<int32_t>(index), app);
    if (!created) {
      DeleteContext(app, index);
      ReplyBuffer reply;
      // Nothing follows an end: a refusal has nobody left to tell.
      static_cast<void>(CallHost(app.hostEntry, static_cast<int32_t>(index), REQ_END_ACTION,
                                 key.c_str(), reply.get()));
      return;
    }
    context = FindContext(app, index);
  }
  if (context->Has(Open | Busy)) return;
  context->BeginOpen();
  context->openKey = key;
  if (!ResetForOpen(*context) || !ReadCommandTable(*context, *context, key) ||
      !ReadConfigurationTables(*context, *context)) {
    FailOpen(*context, key);
    return;
  }
  context->Opened();
  CreateMachineReport(*context);
  if (!CheckAndReport(*context)) return;
  ApplyAvailability(*context);
  ApplyScaleEntries(*context);
}

void ApplyAvailability(MachineContext& context) {
  // Copies: every send may show a message, in which the host may close or reopen.
  const WordTable engine = context.Table(kEngineTable);
  const int32_t key = CylinderKey(engine);
  const int32_t optionFlags = context.OptionFlags;
  const CommandGroupList groups = context.groups;
  for (const auto& group : groups) {
    const int32_t enabled = GroupApplies(*group, engine, key, optionFlags) ? 1 : 0;
    // Each item stands alone: a refusal has shown its error and the walk goes on.
    for (const std::string& name : group->functions)
      static_cast<void>(SendInt(context, REQ_FNC_ENABLE, name, enabled));
    for (const std::string& name : group->supervisions)
      static_cast<void>(SendInt(context, REQ_SUP_ENABLE, name, enabled));
    for (const std::string& name : group->dataItems)
      static_cast<void>(SendInt(context, REQ_DAT_ENABLE, name, enabled));
  }
  SendRailScales(context);
}

void ApplyScaleEntries(MachineContext& context) {
  const CommandGroupList entries = context.scaleEntries;  // see ApplyAvailability
  for (const auto& entry : entries) {
    int32_t reference = -1;
    if (entry->CN0 != 0 && (SensorClass(context.SensorMap, entry->CN0) & entry->CN1) != 0 &&
        CandidateReadable(context, entry->CN4)) {
      reference = entry->CN4;
    }
    if (reference == -1 && entry->CN2 != 0 &&
        (SensorClass(context.SensorMap, entry->CN2) & entry->CN3) != 0 &&
        CandidateReadable(context, entry->CN6)) {
      reference = entry->CN6;
    }
    // As in ApplyAvailability, a refusal is shown and the next map still gets its reference.
    for (const std::string& map : entry->dataItems)
      static_cast<void>(SendInt(context, REQ_ITEM_HSCALE, map, reference));
  }
}

}  // namespace vantel
