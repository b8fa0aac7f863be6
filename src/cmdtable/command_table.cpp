#include "cmdtable/command_table.h"

#include <vector>

#include "cmdtable/command_parser.h"
#include "cmdtable/host_items.h"
#include "cmdtable/machine_data.h"
#include "host/requests.h"

namespace vantel {
namespace {

uint16_t Lo(int32_t x) { return static_cast<uint16_t>(static_cast<uint32_t>(x) & 0xFFFF); }
uint16_t Hi(int32_t x) { return static_cast<uint16_t>(static_cast<uint32_t>(x) >> 16); }

// "Below" limits compare unsigned: a negative element is out of range, not small.
bool Below(int32_t x, uint32_t limit) { return static_cast<uint32_t>(x) < limit; }
bool WithinBits(int32_t x, uint32_t allowed) { return (static_cast<uint32_t>(x) & ~allowed) == 0; }

bool HasExactly(std::span<const int32_t> q, size_t k) {
  return q.size() == k && static_cast<size_t>(q[0] / 4) == k;
}
bool HasAtLeast(std::span<const int32_t> q, size_t k) {
  return q.size() >= k && static_cast<size_t>(q[0]) == q.size() * 4;
}

// The size word, elements 1 to `scalars` as single words, the rest as two words each, low
// word first. Nothing when the table would be too large for its own size word.
std::optional<WordTable> Repack(std::span<const int32_t> q, size_t scalars) {
  const size_t words = 1 + scalars + 2 * (q.size() - 1 - scalars);
  if (words * 2 > 0xFFFF) return std::nullopt;
  WordTable table;
  table.reserve(words);
  table.push_back(static_cast<uint16_t>(words * 2));
  for (size_t i = 1; i <= scalars; ++i) table.push_back(Lo(q[i]));
  for (size_t i = scalars + 1; i < q.size(); ++i) {
    table.push_back(Lo(q[i]));
    table.push_back(Hi(q[i]));
  }
  return table;
}

// Reads the integer array of descriptor element `element`; false without a message when
// its name does not resolve, with the host's message when the read fails.
bool ReadArray(HostChannel& host, std::span<const int32_t> descriptor, int element,
               std::vector<int32_t>& q) {
  std::string name;
  if (!ResolveItemName(host, descriptor[static_cast<size_t>(element)], name)) return false;
  return AskLongTable(host, REQ_ITEM_VALUE, name, q);
}

using Converter = std::optional<WordTable> (*)(std::span<const int32_t>);

bool StoreCaps(HostChannel& host, const std::string& name, Converter convert, WordTable& out) {
  std::vector<int32_t> q;
  if (!AskLongTable(host, REQ_ITEM_VALUE, name, q)) return false;
  std::optional<WordTable> table = convert(q);
  if (!table) return false;
  out = std::move(*table);
  return true;
}

bool ReadCaps(HostChannel& host, std::span<const int32_t> descriptor, int element,
              Converter convert, WordTable& out) {
  std::string name;
  if (!ResolveItemName(host, descriptor[static_cast<size_t>(element)], name)) return false;
  return StoreCaps(host, name, convert, out);
}

bool ReadPhaseCaps(HostChannel& host, MachineData& data, std::span<const int32_t> descriptor) {
  std::vector<int32_t> q;
  if (!ReadArray(host, descriptor, kDescPhaseCaps, q)) return false;
  if (!HasExactly(q, 3) || !Below(q[1], 128)) return false;
  if (Lo(q[1]) & kPhasePressureAllowed) {
    int32_t id = -1;
    switch (LookUpItemId(host, kPhasePressureItem, id)) {
      case ItemLookup::Absent:
        return false;
      case ItemLookup::Found:
        data.phaseItemId = id;
        break;
      case ItemLookup::Unreadable:
        ShowHostError(host, HOST_INTERNAL_ERROR);  // shown, but the load goes on
        break;
    }
  }
  std::optional<WordTable> table = PhaseCapsFrom(q);
  if (!table) return false;
  data.caps.PhaseCaps = std::move(*table);
  return true;
}

bool ResolveInto(HostChannel& host, MachineData& data, std::span<const int32_t> descriptor,
                 int element, int nameIndex) {
  std::string name;
  if (!ResolveItemName(host, descriptor[static_cast<size_t>(element)], name)) return false;
  data.itemNames[static_cast<size_t>(nameIndex)] = std::move(name);
  return true;
}

// Reads a command-table text and parses it into `list`; a text that does not resolve
// leaves the list empty. A failed read is shown, a failed parse is not.
bool ReadGroups(HostChannel& host, int32_t id, CommandGroupList& list) {
  list.clear();
  std::string name;
  if (!ResolveItemName(host, id, name)) return true;
  ReplyBuffer reply;
  const int32_t result = CallHost(host, REQ_ITEM_VALUE, name.c_str(), reply.get());
  if (result != HOST_OK || reply.data() == nullptr) {
    ShowHostError(host, result != HOST_OK ? result : HOST_INTERNAL_ERROR);
    return false;
  }
  const int32_t length = reply.len();
  HostData text(const_cast<void*>(reply.data()));
  reply.Release();
  // Parsed aside: the parser asks the host, and a re-entrant call may replace `list`.
  CommandGroupList parsed;
  const bool complete = ParseCommandTable(host, std::move(text), length, parsed);
  list = std::move(parsed);
  return complete;
}

}  // namespace

std::optional<WordTable> CylinderCapsFrom(std::span<const int32_t> q) {
  if (!HasExactly(q, 2) || !WithinBits(q[1], 0x81FF)) return std::nullopt;
  return Repack(q, 1);
}

std::optional<WordTable> PhaseCapsFrom(std::span<const int32_t> q) {
  if (!HasExactly(q, 3) || !Below(q[1], 128) || !Below(q[2], 16)) return std::nullopt;
  return Repack(q, 2);
}

std::optional<WordTable> IgnitionCapsFrom(std::span<const int32_t> q) {
  if (!HasAtLeast(q, 6) || !Below(q[1], 8)) return std::nullopt;
  return Repack(q, 5);
}

std::optional<WordTable> InjectionCapsFrom(std::span<const int32_t> q) {
  if (!HasAtLeast(q, 5) || !WithinBits(q[1], 0xC1FF)) return std::nullopt;
  return Repack(q, 4);
}

std::optional<WordTable> RailMapListFrom(std::span<const int32_t> q) {
  if (!HasAtLeast(q, 1)) return std::nullopt;
  return Repack(q, 0);
}

bool ReadCommandTable(HostChannel& host, MachineData& data, const std::string& descriptorName) {
  std::vector<int32_t> descriptor;
  if (!AskLongTable(host, REQ_ITEM_VALUE, descriptorName, descriptor)) return false;
  if (!HasExactly(descriptor, kDescriptorElements)) return false;

  EcuCapabilities& caps = data.caps;
  if (!ReadCaps(host, descriptor, kDescCylinderCaps, &CylinderCapsFrom, caps.CylinderCaps))
    return false;
  if (!ReadPhaseCaps(host, data, descriptor)) return false;
  if (!ReadCaps(host, descriptor, kDescIgnitionCaps, &IgnitionCapsFrom, caps.IgnitionCaps))
    return false;
  if (!ReadCaps(host, descriptor, kDescInjectionCaps, &InjectionCapsFrom, caps.InjectionCaps))
    return false;

  std::string railMaps;
  if (!ResolveItemName(host, descriptor[kDescRailMapList], railMaps)) {
    caps.RailMapList = WordTable{2};  // no rail-piloting map: the size word alone
  } else if (!StoreCaps(host, railMaps, &RailMapListFrom, caps.RailMapList)) {
    return false;
  }

  for (int table = 0; table < kConfigTableCount; ++table) {
    if (!ResolveInto(host, data, descriptor, kDescFirstConfigTable + table,
                     kNameEngineTable + table))
      return false;
    if (!AskTable(host, REQ_ITEM_VALUE, data.ItemName(kNameEngineTable + table), data.Table(table)))
      return false;
  }

  if (!ResolveInto(host, data, descriptor, kDescSensorTable, kNameSensorTable)) return false;
  if (!ReadSensorList(host, data)) return false;
  if (!ResolveInto(host, data, descriptor, kDescFlywheelStatusList, kNameFlywheelStatusList))
    return false;
  if (!ReadFlywheelStatusList(host, data)) return false;
  if (!ResolveInto(host, data, descriptor, kDescOptionFlags, kNameOptionFlags)) return false;
  if (!ResolveInto(host, data, descriptor, kDescInjectionFlags, kNameInjectionFlags)) return false;

  if (!ReadGroups(host, descriptor[kDescGroupsText], data.groups)) return false;
  if (!ReadGroups(host, descriptor[kDescScaleEntriesText], data.scaleEntries)) {
    data.groups.clear();
    return false;
  }

  return true;
}

}  // namespace vantel
