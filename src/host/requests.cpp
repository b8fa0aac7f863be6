#include "host/requests.h"

#include <cstring>

#include "host/reply_forms.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "res/string_ids.h"
#include "vantel/host_text.h"

namespace vantel {
namespace {

ActionDllFn EntryOf(const HostChannel& host) { return host.app ? host.app->hostEntry : nullptr; }

// The plug-in's own result for a missing or wrong-form reply.
constexpr int32_t kBadReply = HOST_INTERNAL_ERROR;

enum class Report { Yes, No };

// One asking exchange: an empty record out, a reply of some form back. `read` checks the
// form; the reply data is freed whatever happens.
template <typename Read>
bool Ask(HostChannel& host, int32_t code, const std::string& item, Report report, Read read) {
  ReplyBuffer reply;
  const int32_t result = CallHost(host, code, item.c_str(), reply.get());
  if (result != HOST_OK) {
    if (report == Report::Yes) ShowHostError(host, result);
    return false;
  }
  if (!read(reply.len(), reply.data())) {
    if (report == Report::Yes) ShowHostError(host, kBadReply);
    return false;
  }
  return true;
}

bool Send(HostChannel& host, int32_t code, const std::string& item, int32_t len, HostData input) {
  const int32_t result = CallHostWithInput(EntryOf(host), host.machineIndex, code, item.c_str(),
                                           len, std::move(input));
  if (result == HOST_OK) return true;
  ShowHostError(host, result);
  return false;
}

// The in/out requests: the reply replaces the input, and whatever the record holds after
// the call is ours to free.
template <typename Read>
bool Exchange(HostChannel& host, int32_t code, int32_t input, Report report, Read read) {
  ReplyBuffer record;
  record.SetInput(-1, AllocInt(input));
  const int32_t result = CallHost(host, code, "", record.get());
  if (result != HOST_OK) {
    if (report == Report::Yes) ShowHostError(host, result);
    return false;
  }
  if (!read(record.len(), record.data())) {
    if (report == Report::Yes) ShowHostError(host, kBadReply);
    return false;
  }
  return true;
}

}  // namespace

int32_t CallHost(ActionDllFn entry, int32_t machine, int32_t code, const char* item,
                 HostBuffer* record) {
  if (entry == nullptr) return HOST_INTERNAL_ERROR;
  return entry(machine, code, item ? item : "", record);
}

int32_t CallHost(HostChannel& host, int32_t code, const char* item, HostBuffer* record) {
  return CallHost(EntryOf(host), host.machineIndex, code, item, record);
}

int32_t CallHostWithInput(ActionDllFn entry, int32_t machine, int32_t code, const char* item,
                          int32_t len, HostData input) {
  void* const sent = input.get();
  ReplyBuffer record;
  record.SetInput(len, std::move(input));
  const int32_t result = CallHost(entry, machine, code, item, record.get());
  if (result == HOST_OK) {
    // The host owns the input now. Anything else it left in the record is a reply nobody
    // reads, and it was allocated by the host for us to free.
    if (record.data() == sent) record.Release();
    return result;
  }
  // The host replaced our input on failure: ours is still ours to free.
  if (record.data() != sent) HostFree(sent);
  return result;
}

uint32_t HostErrorMessageId(int32_t result) {
  switch (result) {
    case HOST_DATA_ERROR:
      return IDS_HOST_DATA_ERROR;
    case HOST_TARGET_ERROR:
      return IDS_HOST_TARGET_ERROR;
    case HOST_ACTION_ERROR:
      return IDS_HOST_ACTION_ERROR;
    case HOST_ACCESS_ERROR:
      return IDS_HOST_ACCESS_ERROR;
    case HOST_TRANSFER_ERROR:
      return IDS_HOST_TRANSFER_ERROR;
    case HOST_INTERNAL_ERROR:
      return IDS_HOST_INTERNAL_ERROR;
    default:
      return IDS_HOST_UNKNOWN_ERROR;
  }
}

bool AskInt(HostChannel& host, int32_t code, const std::string& item, int32_t& value) {
  return Ask(host, code, item, Report::Yes,
             [&](int32_t len, const void* data) { return ReadIntReply(len, data, value); });
}

bool AskText(HostChannel& host, int32_t code, const std::string& item, std::string& text) {
  return Ask(host, code, item, Report::Yes,
             [&](int32_t len, const void* data) { return ReadTextReply(len, data, text); });
}

bool AskTable(HostChannel& host, int32_t code, const std::string& item, WordTable& table) {
  return Ask(host, code, item, Report::Yes,
             [&](int32_t len, const void* data) { return ReadWordTableReply(len, data, table); });
}

bool AskLongTable(HostChannel& host, int32_t code, const std::string& item,
                  std::vector<int32_t>& table) {
  return Ask(host, code, item, Report::Yes,
             [&](int32_t len, const void* data) { return ReadLongTableReply(len, data, table); });
}

bool SendInt(HostChannel& host, int32_t code, const std::string& item, int32_t value) {
  return Send(host, code, item, -1, AllocInt(value));
}

bool SendWords(HostChannel& host, int32_t code, const std::string& item,
               std::span<const uint16_t> words) {
  const size_t bytes = words.size() * sizeof(uint16_t);
  HostData data(HostAlloc(bytes));
  if (bytes) std::memcpy(data.get(), words.data(), bytes);
  return Send(host, code, item, static_cast<int32_t>(bytes), std::move(data));
}

bool AskIntQuiet(HostChannel& host, int32_t code, const std::string& item, int32_t& value) {
  return Ask(host, code, item, Report::No,
             [&](int32_t len, const void* data) { return ReadIntReply(len, data, value); });
}

bool AskTextQuiet(HostChannel& host, int32_t code, const std::string& item, std::string& text) {
  return Ask(host, code, item, Report::No,
             [&](int32_t len, const void* data) { return ReadTextReply(len, data, text); });
}

bool AskListQuiet(HostChannel& host, int32_t code, const std::string& item,
                  std::vector<std::string>& names) {
  return Ask(host, code, item, Report::No,
             [&](int32_t len, const void* data) { return ReadNameListReply(len, data, names); });
}

int32_t AskQueryQuiet(HostChannel& host, int32_t code, const std::string& item) {
  int32_t value = 0;
  return AskIntQuiet(host, code, item, value) ? value : 0;
}

bool AskUserLevel(HostChannel& host, int32_t& level) {
  return Exchange(host, REQ_USER_LEVEL, 5, Report::Yes,
                  [&](int32_t len, const void* data) { return ReadIntReply(len, data, level); });
}

bool AskItemNameQuiet(HostChannel& host, int32_t id, std::string& name) {
  return Exchange(host, REQ_ITEM_NAME, id, Report::No,
                  [&](int32_t len, const void* data) { return ReadTextReply(len, data, name); });
}

void ShowHostError(HostChannel& host, int32_t result) {
  const std::string name = GetMachineName(host);
  ShowMessageBox(name + "\n" + LoadString(HostErrorMessageId(result)), MB_OK | MB_ICONERROR);
}

std::string GetMachineName(HostChannel& host) {
  std::string name;
  if (AskTextQuiet(host, REQ_MACHINE_NAME, "", name)) host.machineName = WidenHostText(name);
  return host.machineName;
}

bool RefreshMachineName(HostChannel& host) {
  std::string name;
  if (!AskText(host, REQ_MACHINE_NAME, "", name)) return false;
  host.machineName = WidenHostText(name);
  return true;
}

void EndAction(HostChannel& host, const std::string& key) {
  ReplyBuffer reply;
  // Nothing follows an end: a refusal has nobody left to tell.
  static_cast<void>(CallHost(host, REQ_END_ACTION, key.c_str(), reply.get()));
}

uint32_t ItemStateClass(int32_t stateBits) {
  return static_cast<uint32_t>(stateBits) & kItemStateClassMask;
}

int ClassifyItemState(int32_t stateBits) {
  const uint32_t itemClass = ItemStateClass(stateBits);
  if (itemClass == kItemClassSecondary || itemClass == kItemClassMainFlagged) return -1;
  if (itemClass == kItemClassMain) return 1;
  return 0;
}

int ItemUsable(HostChannel& host, const std::string& item) {
  int32_t id = 0;
  if (!AskIntQuiet(host, REQ_ITEM_ID, item, id)) return 0;
  // An unreadable state has shown its error and classifies as unknown: not usable.
  int32_t stateBits = kItemStateUnknown;
  static_cast<void>(AskInt(host, REQ_ITEM_STATE, item, stateBits));
  return ClassifyItemState(stateBits);
}

std::string WidenHostText(const std::string& narrow) { return Cp1252ToUtf8(narrow); }

}  // namespace vantel
