#pragma once
// The payload forms of host replies. Each check refuses what it cannot read whole: the
// declared length must fit the block it came in.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/words.h"

namespace vantel {

bool ReadIntReply(int32_t len, const void* data, int32_t& value);
/// A text: len > 0, last byte 0. The text ends at its first NUL.
bool ReadTextReply(int32_t len, const void* data, std::string& text);
/// A name list: names each followed by one NUL, the last byte 0.
bool ReadNameListReply(int32_t len, const void* data, std::vector<std::string>& names);
/// A word table: len even and at least 2, word 0 equal to len.
bool ReadWordTableReply(int32_t len, const void* data, WordTable& table);
/// A long table: len a multiple of 4 and at least 4, element 0 equal to len.
bool ReadLongTableReply(int32_t len, const void* data, std::vector<int32_t>& table);

}  // namespace vantel
