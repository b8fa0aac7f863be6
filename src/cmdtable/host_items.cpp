#include "cmdtable/host_items.h"

#include <vector>

#include "host/reply_forms.h"
#include "host/requests.h"

namespace vantel {

ItemLookup LookUpItemId(HostChannel& host, const std::string& item, int32_t& id) {
  ReplyBuffer reply;
  if (CallHost(host, REQ_ITEM_ID, item.c_str(), reply.get()) != HOST_OK) return ItemLookup::Absent;
  if (reply.data() == nullptr) return ItemLookup::Absent;
  return ReadIntReply(reply.len(), reply.data(), id) ? ItemLookup::Found : ItemLookup::Unreadable;
}

bool ResolveItemName(HostChannel& host, int32_t id, std::string& name) {
  if (AskItemNameQuiet(host, id, name)) return true;
  std::vector<std::string> names;
  if (!AskListQuiet(host, REQ_ITEM_LIST, "", names)) return false;
  for (std::string& candidate : names) {
    int32_t candidateId = 0;
    // An item whose identifier cannot be read matches nothing, not even -1 ("no item").
    if (!AskIntQuiet(host, REQ_ITEM_ID, candidate, candidateId)) continue;
    if (candidateId != id) continue;
    name = std::move(candidate);
    return true;
  }
  return false;
}

}  // namespace vantel
