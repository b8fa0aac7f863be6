#pragma once
// What a host holds for one machine: its items and its own answers. The test double and the
// reference host both serve the plug-in from this store, through the request table. Its texts
// and names are UTF-8; the request table converts them at the ABI.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

namespace vantel::hostcore {

using Words = std::vector<uint16_t>;
using Longs = std::vector<int32_t>;
/// No value, an integer, a word table, a long table or a text: the item's form, which the
/// ECU fixes and nothing the plug-in sends changes.
using ItemValue = std::variant<std::monostate, int32_t, Words, Longs, std::string>;

inline constexpr int32_t kUsableState = static_cast<int32_t>(0x80000000u);

struct Item {
  int32_t id = -1;  // -1: REQ_ITEM_ID fails and REQ_ITEM_NAME never gives this item
  ItemValue value;
  int32_t cls = 0;
  int32_t stateBits = kUsableState;
  int32_t present = 1;
  int32_t isMap = 0;
  int32_t lists = 0;
  std::string label;  // empty: the label is the name
  /// By request code: REQ_ITEM_ATTR_10, _20, _23, _24.
  std::map<int32_t, int32_t> attributes;
  int32_t errorCode = 0;
  std::string errorText;

  /// The attribute asked with `code`; one the item does not set has the host's default.
  int32_t Attribute(int32_t code) const;
};

struct ItemStore {
  int32_t hostVersion = 0x50000;
  int32_t hostLanguage = 1033;
  int32_t hostLevel = 5;
  int32_t userLevel = 1;
  int32_t connection = 1;
  std::optional<std::string> machineName;  // none: REQ_MACHINE_NAME fails
  std::map<std::string, int32_t> userValues;
  std::set<std::string> knownFunctions;
  std::set<std::string> knownSupervisions;
  std::map<std::string, Item> items;
  /// The order REQ_ITEM_LIST gives the items in (a Kalbrix file's); empty: by name.
  std::vector<std::string> listOrder;

  Item* Find(const std::string& name);
  const Item* Find(const std::string& name) const;
  /// The name of the item identified by `id`; null when none is (always for -1). Of items
  /// sharing an id, the first by name, unless ids changed since it last answered.
  const std::string* NameOf(int32_t id) const;
  std::optional<int32_t> UserValue(const std::string& name) const;
  bool KnowsFunction(const std::string& entry) const;
  bool KnowsSupervision(const std::string& entry) const;
  std::vector<std::string> ListedNames() const;

  /// Puts `value` in place of the item's value when both have the same form, the one way the
  /// store changes a value: HOST_TARGET_ERROR for an unknown item, HOST_DATA_ERROR for a
  /// value of another form, which leaves the item as it was.
  int32_t Replace(const std::string& name, ItemValue value);

  /// NameOf's index of the names by id, remade whenever it answers wrong or not at all: items
  /// are added, removed and renumbered freely, and every answer is checked against them.
  mutable std::unordered_map<int32_t, std::string> nameById;
};

}  // namespace vantel::hostcore
