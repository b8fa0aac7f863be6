#pragma once
// The requests of ACTIONDLL as a host answers them from an ItemStore, one handler per code,
// and the one rule of who owns the record's data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "item_store.h"
#include "vantel/host_abi.h"

namespace vantel::hostcore {

/// Where replies come from and taken inputs go: the C allocator the plug-in shares, unless a
/// host puts a ledger around it.
struct BlockAllocator {
  void* (*alloc)(size_t size);
  void (*release)(void* block);
};

inline constexpr BlockAllocator kMallocAllocator{&std::malloc, &std::free};

/// A host's answer: a result and, on success, what the record gets.
struct Reply {
  int32_t result = HOST_OK;
  int32_t len = 0;  // as the record gives it: -1 one int32, > 0 bytes, 0 nothing
  std::vector<uint8_t> bytes;
  bool nullData = false;  // len without a block, as a faulty host answers

  static Reply Int(int32_t value);
  static Reply Bytes(const void* data, size_t count);
  static Reply Text(std::string_view text);  // the bytes as they are, with a NUL
  /// A result alone: a failure, or a send that succeeded.
  static Reply Result(int32_t result);
};

/// The payload the plug-in put in the record, read in place.
struct Input {
  int32_t len = 0;
  const void* data = nullptr;

  /// The value of a one-int32 payload.
  std::optional<int32_t> Int() const;
};

Input InputOf(const HostBuffer* buf);

/// Name of a request code ("REQ_ITEM_VALUE"), or "" for an unknown one.
const char* RequestName(int32_t code);

/// REQ_USER_LEVEL and REQ_ITEM_NAME: the reply takes the input's place.
bool IsInOut(int32_t code);

/// What `store` answers to one request; REQ_ITEM_WRITE changes the store when it succeeds.
/// The request and the reply are as they cross the ABI, their texts in code page 1252; the
/// store's texts are UTF-8, and one the code page cannot hold fails with HOST_DATA_ERROR.
Reply Answer(ItemStore& store, int32_t code, const std::string& item, const Input& input);

/// Puts `reply` in the record and returns its result. A failure leaves the record as the
/// plug-in filled it, its input still the plug-in's to free. A success takes the input over
/// and frees it; the record then holds a fresh block of `allocator` with the reply (the
/// plug-in's to free), or nothing after a send.
int32_t Deliver(HostBuffer* buf, int32_t code, const Reply& reply, const BlockAllocator& allocator);

/// Answer, then Deliver; a missing record is a data error.
int32_t Serve(ItemStore& store, int32_t code, const std::string& item, HostBuffer* buf,
              const BlockAllocator& allocator);

}  // namespace vantel::hostcore
