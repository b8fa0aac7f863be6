#include "item_store.h"

#include <array>

#include "vantel/host_abi.h"

namespace vantel::hostcore {

namespace {

struct AttributeDefault {
  int32_t code;
  int32_t value;
};

// 10 and 20 mean "may be chosen" and "notifications count"; 23 and 24 are the refresh guards,
// which let a refresh send the item when both are 0.
constexpr std::array<AttributeDefault, 4> kAttributeDefaults = {{
    {REQ_ITEM_ATTR_10, 1},
    {REQ_ITEM_ATTR_20, 1},
    {REQ_ITEM_ATTR_23, 0},
    {REQ_ITEM_ATTR_24, 0},
}};

}  // namespace

int32_t Item::Attribute(int32_t code) const {
  if (const auto set = attributes.find(code); set != attributes.end()) return set->second;
  for (const AttributeDefault& fallback : kAttributeDefaults)
    if (fallback.code == code) return fallback.value;
  return 0;
}

Item* ItemStore::Find(const std::string& name) {
  const auto found = items.find(name);
  return found == items.end() ? nullptr : &found->second;
}

const Item* ItemStore::Find(const std::string& name) const {
  const auto found = items.find(name);
  return found == items.end() ? nullptr : &found->second;
}

const std::string* ItemStore::NameOf(int32_t id) const {
  if (id == -1) return nullptr;
  const auto indexed = [&]() -> const std::string* {
    const auto at = nameById.find(id);
    if (at == nameById.end()) return nullptr;
    const auto item = items.find(at->second);
    return item != items.end() && item->second.id == id ? &item->first : nullptr;
  };
  if (const std::string* name = indexed()) return name;
  // Remade from the items as they are now, an id two items share names the first by name.
  nameById.clear();
  for (const auto& [name, item] : items) nameById.emplace(item.id, name);
  return indexed();
}

std::optional<int32_t> ItemStore::UserValue(const std::string& name) const {
  const auto found = userValues.find(name);
  if (found == userValues.end()) return std::nullopt;
  return found->second;
}

bool ItemStore::KnowsFunction(const std::string& entry) const {
  return knownFunctions.count(entry) != 0;
}

bool ItemStore::KnowsSupervision(const std::string& entry) const {
  return knownSupervisions.count(entry) != 0;
}

std::vector<std::string> ItemStore::ListedNames() const {
  if (!listOrder.empty()) return listOrder;
  std::vector<std::string> names;
  names.reserve(items.size());
  for (const auto& [name, item] : items) names.push_back(name);
  return names;
}

int32_t ItemStore::Replace(const std::string& name, ItemValue value) {
  Item* item = Find(name);
  if (!item) return HOST_TARGET_ERROR;
  // The form is the ECU's: a table stays a table of its kind, an integer an integer, and an
  // item without a value never gets one.
  if (value.index() != item->value.index()) return HOST_DATA_ERROR;
  item->value = std::move(value);
  return HOST_OK;
}

}  // namespace vantel::hostcore
