#include "plugin/map_scale_items.h"

#include "cmdtable/host_items.h"
#include "host/requests.h"

namespace vantel {

std::vector<std::string> HostMapScaleItems::Candidates() {
  std::vector<std::string> names;
  std::vector<std::string> candidates;
  if (!AskListQuiet(context_, REQ_ITEM_LIST, "", names)) return candidates;
  for (const std::string& name : names) {
    // An empty name (a list of the NUL alone) names no item: asking the host about it only
    // shows the user an error.
    if (!name.empty() && TakesCandidate(name)) candidates.push_back(name);
  }
  return candidates;
}

bool HostMapScaleItems::TakesCandidate(const std::string& name) {
  int32_t value = 0;
  if (!AskInt(context_, REQ_ITEM_CLASS, name, value) || value != 0) return false;
  if (!AskInt(context_, REQ_ITEM_PRESENT, name, value) || value == 0) return false;
  if (!AskInt(context_, REQ_ITEM_ATTR_10, name, value) || value == 0) return false;
  int32_t mask = 0;
  if (!AskInt(context_, REQ_ITEM_LISTS, name, mask) || (mask & context_.lstSel) == 0) {
    return false;
  }
  return context_.wideItemChoice == 1 || (mask & FixedLists()) == 0;
}

std::string HostMapScaleItems::Label(const std::string& name) {
  std::string text;
  if (!AskText(context_, REQ_ITEM_LABEL, name, text)) return {};
  return WidenHostText(text);
}

std::optional<std::string> HostMapScaleItems::Name(int32_t id) {
  std::string name;
  if (!ResolveItemName(context_, id, name)) return std::nullopt;
  return name;
}

int32_t HostMapScaleItems::Id(const std::string& name) {
  int32_t id = -1;
  return LookUpItemId(context_, name, id) == ItemLookup::Found ? id : -1;
}

bool HostMapScaleItems::Fixed(const std::string& name) {
  if (context_.wideItemChoice != 0) return false;
  int32_t present = 0;
  if (!AskInt(context_, REQ_ITEM_PRESENT, name, present) || present == 0) return false;
  int32_t mask = 0;
  return !AskInt(context_, REQ_ITEM_LISTS, name, mask) || (mask & FixedLists()) != 0;
}

int32_t HostMapScaleItems::FixedLists() const {
  return context_.lstSxc | context_.lstSyc | context_.lstPil | context_.lstPid;
}

}  // namespace vantel
