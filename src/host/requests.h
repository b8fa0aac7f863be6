#pragma once
// The request functions: every exchange with the host goes through these.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/host_data.h"
#include "host/machine_context.h"

namespace vantel {

/// Calls the host entry of `context` (or refuses with -1 when the host exports none).
int32_t CallHost(MachineContext& context, int32_t code, const char* item, HostBuffer* record);
/// The same for a bare entry and machine index (the handshake and a failed creation).
int32_t CallHost(ActionDllFn entry, int32_t machine, int32_t code, const char* item,
                 HostBuffer* record);

/// The string id of the message for ACTIONDLL result `result`.
uint32_t HostErrorMessageId(int32_t result);

bool AskInt(MachineContext& context, int32_t code, const std::string& item, int32_t& value);
bool AskText(MachineContext& context, int32_t code, const std::string& item, std::string& text);
bool AskTable(MachineContext& context, int32_t code, const std::string& item, WordTable& table);
bool AskLongTable(MachineContext& context, int32_t code, const std::string& item,
                  std::vector<int32_t>& table);
bool SendInt(MachineContext& context, int32_t code, const std::string& item, int32_t value);
bool SendWords(MachineContext& context, int32_t code, const std::string& item,
               std::span<const uint16_t> words);

bool AskIntQuiet(MachineContext& context, int32_t code, const std::string& item, int32_t& value);
bool AskTextQuiet(MachineContext& context, int32_t code, const std::string& item,
                  std::string& text);
bool AskListQuiet(MachineContext& context, int32_t code, const std::string& item,
                  std::vector<std::string>& names);
/// REQ_FNC_QUERY / REQ_SUP_QUERY: the integer itself, 0 on any failure.
int32_t AskQueryQuiet(MachineContext& context, int32_t code, const std::string& item);

/// REQ_USER_LEVEL: in/out, sends 5 and reads the reply in its place (reporting).
bool AskUserLevel(MachineContext& context, int32_t& level);
/// REQ_ITEM_NAME: in/out, sends the identifier and reads the name in its place (silent).
bool AskItemNameQuiet(MachineContext& context, int32_t id, std::string& name);

/// Shows machine name + "\n" + the message of `result`, OK button, error icon.
void ShowHostError(MachineContext& context, int32_t result);
/// Asks the name silently, stores it when valid; returns the context's name in any case.
std::string GetMachineName(MachineContext& context);
/// The same, reporting a failure; true only when the name was stored.
bool RefreshMachineName(MachineContext& context);
/// REQ_END_ACTION with `key`; the result is ignored.
void EndAction(MachineContext& context, const std::string& key);
/// -1 or +1 when the item exists and its data is usable, 0 otherwise.
int ItemUsable(MachineContext& context, const std::string& item);
/// The REQ_ITEM_STATE classification of state bits.
int ClassifyItemState(int32_t stateBits);

/// Host texts are in code page 1252; the plug-in's texts are UTF-8.
std::string WidenHostText(const std::string& narrow);

}  // namespace vantel
