#include "cmdtable/command_parser.h"

#include <array>
#include <climits>
#include <cstring>
#include <string>

#include "cmdtable/command_tokenizer.h"
#include "cmdtable/host_items.h"
#include "host/requests.h"
#include "platform/text.h"

namespace vantel {
namespace {

struct Assignment {
  std::string_view keyword;
  int32_t CommandGroup::*field;
};

constexpr std::array<Assignment, 7> kAssignments{{
    {"CN0", &CommandGroup::CN0},
    {"CN1", &CommandGroup::CN1},
    {"CN2", &CommandGroup::CN2},
    {"CN3", &CommandGroup::CN3},
    {"CN4", &CommandGroup::CN4},
    {"CN5", &CommandGroup::CN5},
    {"CN6", &CommandGroup::CN6},
}};

enum class EntryKind { Function, Supervision, DataItem };

struct Entry {
  std::string_view keyword;
  EntryKind kind;
  std::vector<std::string> CommandGroup::*names;
};

constexpr std::array<Entry, 3> kEntries{{
    {"FNC", EntryKind::Function, &CommandGroup::functions},
    {"SUP", EntryKind::Supervision, &CommandGroup::supervisions},
    {"DAT", EntryKind::DataItem, &CommandGroup::dataItems},
}};

// CN0 to CN6, found without comparing every keyword: most tokens of a table are none.
const Assignment* FindAssignment(const std::string& token) {
  if (token.size() != 3 || token[0] != 'C' || token[1] != 'N') return nullptr;
  const unsigned digit = static_cast<unsigned char>(token[2]) - '0';
  return digit < kAssignments.size() ? &kAssignments[digit] : nullptr;
}

template <typename Table>
const typename Table::value_type* Find(const Table& table, const std::string& keyword) {
  for (const auto& row : table)
    if (row.keyword == keyword) return &row;
  return nullptr;
}

// One `|`-separated part of a CN value: a number, a user value, or an item's identifier.
bool ValuePart(HostChannel& host, const std::string& part, int32_t& value) {
  if (ParseNumber(part, value)) return true;
  if (AskIntQuiet(host, REQ_USER_VALUE, part, value)) return true;
  switch (LookUpItemId(host, part, value)) {
    case ItemLookup::Found:
      return true;
    case ItemLookup::Absent:
      return false;
    case ItemLookup::Unreadable:
      // The item exists but has no identifier to OR in: no value is made up for it.
      ShowHostError(host, HOST_INTERNAL_ERROR);
      return false;
  }
  return false;
}

bool ParseValue(HostChannel& host, const std::string& text, int32_t& field) {
  int32_t result = 0;
  std::string part;
  for (size_t begin = 0; begin < text.size();) {
    size_t end = text.find('|', begin);
    if (end == std::string::npos) end = text.size();
    if (end > begin) {
      part.assign(text, begin, end - begin);
      int32_t value = 0;
      if (!ValuePart(host, part, value)) return false;
      result |= value;
    }
    begin = end + 1;
  }
  field = result;
  return true;
}

bool EntryKept(HostChannel& host, EntryKind kind, const std::string& name) {
  switch (kind) {
    case EntryKind::Function:
      return AskQueryQuiet(host, REQ_FNC_QUERY, name) != 0;
    case EntryKind::Supervision:
      return AskQueryQuiet(host, REQ_SUP_QUERY, name) != 0;
    case EntryKind::DataItem: {
      int32_t id = 0;
      if (LookUpItemId(host, name, id) == ItemLookup::Absent) return false;
      int32_t present = 0;
      return AskInt(host, REQ_ITEM_PRESENT, name, present) && present != 0;
    }
  }
  return false;
}

// The loop over tokens; `token` holds the current one. An empty token (the end, or an
// empty quoted string) ends the table.
bool ParseTokens(HostChannel& host, CommandTokenizer& tokenizer, CommandGroupList& list) {
  std::string token;
  if (!tokenizer.NextToken(token)) return true;
  bool groupOpen = false;
  std::string value;
  while (!token.empty()) {
    if (const Assignment* assignment = FindAssignment(token)) {
      if (!groupOpen) {
        list.push_back(std::make_unique<CommandGroup>());
        groupOpen = true;
      }
      if (!tokenizer.NextToken(token) || token != "=") return false;
      if (!tokenizer.NextToken(value)) return false;
      if (!ParseValue(host, value, (*list.back()).*(assignment->field))) return false;
      // A table cannot end with an assignment: it needs at least one entry after it.
      if (!tokenizer.NextToken(token)) return false;
      continue;
    }
    const Entry* entry = Find(kEntries, token);
    if (entry == nullptr || list.empty()) return false;
    if (!tokenizer.NextToken(token) || token != "=") return false;
    if (!tokenizer.NextToken(value)) return false;
    groupOpen = false;
    if (EntryKept(host, entry->kind, value)) ((*list.back()).*(entry->names)).push_back(value);
    tokenizer.NextToken(token);
  }
  return true;
}

}  // namespace

bool ParseCommandTable(HostChannel& host, HostData text, int32_t length, CommandGroupList& list) {
  list.clear();
  if (text == nullptr) return true;
  // The length must fit the block the host gave, or the last byte would be read past it.
  if (length < 1 || static_cast<size_t>(length) > HostBlockSize(text.get())) return false;
  if (static_cast<const char*>(text.get())[length - 1] != '\0') return false;
  CommandTokenizer tokenizer(std::move(text), static_cast<uint32_t>(length));
  if (ParseTokens(host, tokenizer, list)) return true;
  list.clear();
  return false;
}

bool ParseCommandTableText(HostChannel& host, std::string_view text, CommandGroupList& list) {
  const size_t length = text.size() + 1;
  list.clear();
  if (length > static_cast<size_t>(INT32_MAX)) return false;
  HostData copy(HostAlloc(length));
  if (!text.empty()) std::memcpy(copy.get(), text.data(), text.size());
  static_cast<char*>(copy.get())[text.size()] = '\0';
  return ParseCommandTable(host, std::move(copy), static_cast<int32_t>(length), list);
}

}  // namespace vantel
