#pragma once
// The grammar of ECU command tables: groups of `CNk = value` assignments followed by
// `FNC = name`, `SUP = name` and `DAT = name` entries that the host confirms.
#include <cstdint>
#include <string_view>

#include "cmdtable/command_group.h"
#include "host/host_channel.h"
#include "host/host_data.h"
#include "platform/words.h"

namespace vantel {

/// Parses the host's text buffer of `length` bytes (its terminating NUL included) into
/// `list`, which is emptied first. Takes and frees the buffer; no buffer is an empty table.
/// False for a malformed table, silently, with `list` left empty.
bool ParseCommandTable(HostChannel& host, HostData text, int32_t length, CommandGroupList& list);

/// The same over a copy of `text` (a NUL is added), for callers that hold no host buffer.
bool ParseCommandTableText(HostChannel& host, std::string_view text, CommandGroupList& list);

}  // namespace vantel
