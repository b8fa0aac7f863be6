#include "host/reply_forms.h"

#include "host/host_data.h"

#include <cstring>

namespace vantel {
namespace {

// A reply is readable when it has data and its len is a positive count that fits the block.
bool Readable(int32_t len, const void* data) {
  return data != nullptr && len > 0 && static_cast<size_t>(len) <= HostBlockSize(data);
}

}  // namespace

bool ReadIntReply(int32_t len, const void* data, int32_t& value) {
  if (data == nullptr || len != -1 || HostBlockSize(data) < sizeof(int32_t)) return false;
  std::memcpy(&value, data, sizeof value);
  return true;
}

bool ReadTextReply(int32_t len, const void* data, std::string& text) {
  if (!Readable(len, data)) return false;
  const char* bytes = static_cast<const char*>(data);
  if (bytes[len - 1] != '\0') return false;
  text.assign(bytes, std::strlen(bytes));
  return true;
}

bool ReadNameListReply(int32_t len, const void* data, std::vector<std::string>& names) {
  if (!Readable(len, data)) return false;
  const char* bytes = static_cast<const char*>(data);
  if (bytes[len - 1] != '\0') return false;
  names.clear();
  for (int32_t pos = 0; pos < len;) {
    const size_t n = std::strlen(bytes + pos);
    names.emplace_back(bytes + pos, n);
    pos += static_cast<int32_t>(n) + 1;
  }
  return true;
}

bool ReadWordTableReply(int32_t len, const void* data, WordTable& table) {
  if (!Readable(len, data) || len % 2 != 0) return false;
  uint16_t first;
  std::memcpy(&first, data, sizeof first);
  if (first != len) return false;
  table.resize(static_cast<size_t>(len) / 2);
  std::memcpy(table.data(), data, static_cast<size_t>(len));
  return true;
}

bool ReadLongTableReply(int32_t len, const void* data, std::vector<int32_t>& table) {
  if (!Readable(len, data) || len % 4 != 0) return false;
  int32_t first;
  std::memcpy(&first, data, sizeof first);
  if (first != len) return false;
  table.resize(static_cast<size_t>(len) / 4);
  std::memcpy(table.data(), data, static_cast<size_t>(len));
  return true;
}

}  // namespace vantel
