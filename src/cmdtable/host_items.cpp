#include "cmdtable/host_items.h"

#include "host/reply_forms.h"
#include "host/requests.h"

namespace vantel {

ItemLookup LookUpItemId(MachineContext& context, const std::string& item, int32_t& id) {
  ReplyBuffer reply;
  if (CallHost(context, REQ_ITEM_ID, item.c_str(), reply.get()) != HOST_OK) return ItemLookup::Absent;
  if (reply.data() == nullptr) return ItemLookup::Absent;
  return ReadIntReply(reply.len(), reply.data(), id) ? ItemLookup::Found : ItemLookup::Unreadable;
}

}  // namespace vantel
