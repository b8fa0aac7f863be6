#pragma once
// Host items that the plug-in names itself, and the identifier lookup they share.
#include <cstdint>
#include <string>

#include "host/host_channel.h"
#include "platform/words.h"

namespace vantel {

/// The phase pressure sensor item that must exist when the ECU allows that phase type.
inline constexpr const char* kPhasePressureItem = "PRS_PHASE_0";
/// The synchronisation tables whose status decides the flywheel-table flag.
inline constexpr const char* kSyncTable1Item = "TAB_CNFSYN1_0";
inline constexpr const char* kSyncTable2Item = "TAB_CNFSYN2_0";

enum class ItemLookup {
  Absent,      // the host refused or returned no data: no such item
  Found,       // the identifier was read
  Unreadable,  // the item exists but its identifier is no integer
};

/// One REQ_ITEM_ID exchange that is both the existence test and the identifier read. Shows
/// no message: callers that needed the identifier report Unreadable themselves.
ItemLookup LookUpItemId(HostChannel& host, const std::string& item, int32_t& id);

/// The name of the item with identifier `id`: asked directly, else found through the list
/// of all items. Shows no message.
bool ResolveItemName(HostChannel& host, int32_t id, std::string& name);

}  // namespace vantel
