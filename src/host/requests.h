#pragma once
// The request functions: every exchange with the host goes through these.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/host_channel.h"
#include "host/host_data.h"
#include "platform/words.h"

namespace vantel {

/// Calls the host entry of `host` (or refuses with -1 when the host exports none).
[[nodiscard]] int32_t CallHost(HostChannel& host, int32_t code, const char* item,
                               HostBuffer* record);
/// The same for a bare entry and machine index (the handshake and a failed creation).
[[nodiscard]] int32_t CallHost(ActionDllFn entry, int32_t machine, int32_t code, const char* item,
                               HostBuffer* record);

/// One sending exchange, silent: `input` passes to the host on success and is freed on
/// failure, and whatever else the host left in the record is freed. The host's result.
[[nodiscard]] int32_t CallHostWithInput(ActionDllFn entry, int32_t machine, int32_t code,
                                        const char* item, int32_t len, HostData input);

/// The string id of the message for ACTIONDLL result `result`.
[[nodiscard]] uint32_t HostErrorMessageId(int32_t result);

[[nodiscard]] bool AskInt(HostChannel& host, int32_t code, const std::string& item, int32_t& value);
[[nodiscard]] bool AskText(HostChannel& host, int32_t code, const std::string& item,
                           std::string& text);
[[nodiscard]] bool AskTable(HostChannel& host, int32_t code, const std::string& item,
                            WordTable& table);
[[nodiscard]] bool AskLongTable(HostChannel& host, int32_t code, const std::string& item,
                                std::vector<int32_t>& table);
[[nodiscard]] bool SendInt(HostChannel& host, int32_t code, const std::string& item, int32_t value);
[[nodiscard]] bool SendWords(HostChannel& host, int32_t code, const std::string& item,
                             std::span<const uint16_t> words);

[[nodiscard]] bool AskIntQuiet(HostChannel& host, int32_t code, const std::string& item,
                               int32_t& value);
[[nodiscard]] bool AskTextQuiet(HostChannel& host, int32_t code, const std::string& item,
                                std::string& text);
[[nodiscard]] bool AskListQuiet(HostChannel& host, int32_t code, const std::string& item,
                                std::vector<std::string>& names);
/// REQ_FNC_QUERY / REQ_SUP_QUERY: the integer itself, 0 on any failure.
[[nodiscard]] int32_t AskQueryQuiet(HostChannel& host, int32_t code, const std::string& item);

/// REQ_USER_LEVEL: in/out, sends 5 and reads the reply in its place (reporting).
[[nodiscard]] bool AskUserLevel(HostChannel& host, int32_t& level);
/// REQ_ITEM_NAME: in/out, sends the identifier and reads the name in its place (silent).
[[nodiscard]] bool AskItemNameQuiet(HostChannel& host, int32_t id, std::string& name);

/// Shows machine name + "\n" + the message of `result`, OK button, error icon.
void ShowHostError(HostChannel& host, int32_t result);
/// Asks the name silently, stores it when valid; returns the channel's name in any case.
std::string GetMachineName(HostChannel& host);
/// The same, reporting a failure; true only when the name was stored.
[[nodiscard]] bool RefreshMachineName(HostChannel& host);
/// REQ_END_ACTION with `key`; the result is ignored.
void EndAction(HostChannel& host, const std::string& key);
/// -1 or +1 when the item exists and its data is usable, 0 otherwise.
[[nodiscard]] int ItemUsable(HostChannel& host, const std::string& item);
/// REQ_ITEM_STATE classes: the state bits under kItemStateClassMask.
inline constexpr uint32_t kItemStateClassMask = 0xE8000000u;
inline constexpr uint32_t kItemClassMain = 0x80000000u;
inline constexpr uint32_t kItemClassMainFlagged = 0x88000000u;
inline constexpr uint32_t kItemClassSecondary = 0x40000000u;
/// Preset before REQ_ITEM_STATE, so that a failed request classifies as no class.
inline constexpr int32_t kItemStateUnknown = 0x20000000;

uint32_t ItemStateClass(int32_t stateBits);
/// The REQ_ITEM_STATE classification of state bits: +1 main, -1 flagged or secondary, else 0.
int ClassifyItemState(int32_t stateBits);
/// Whether an item of that class takes a REQ_ITEM_MARK.
constexpr bool ItemClassMarkable(uint32_t itemClass) {
  return itemClass == kItemClassMain || itemClass == kItemClassMainFlagged;
}

/// Host texts are in code page 1252; the plug-in's texts are UTF-8.
std::string WidenHostText(const std::string& narrow);

}  // namespace vantel
