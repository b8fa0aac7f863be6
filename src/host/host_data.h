#pragma once
// Buffers that cross to and from the host. Host and plug-in share one allocator, so either
// side frees what the other allocated; whoever holds a HostData frees it.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "vantel/host_abi.h"

namespace vantel {

/// The allocator shared with the host: malloc and free unless replaced (tests use a ledger).
struct HostAllocator {
  void* (*alloc)(size_t size);
  void (*release)(void* block);
  size_t (*blockSize)(const void* block);  // usable bytes of a live block
};

/// Installs `allocator` (null: malloc/free again).
void SetHostAllocator(const HostAllocator* allocator);
void* HostAlloc(size_t size);
void HostFree(void* block);
/// Usable size of a live block (0 for null): a reply's len must fit in it.
size_t HostBlockSize(const void* block);

struct HostFreeDeleter {
  void operator()(void* p) const noexcept { HostFree(p); }
};

/// A payload of the shared allocator; freed unless released to the host.
using HostData = std::unique_ptr<void, HostFreeDeleter>;

/// One int32 payload.
HostData AllocInt(int32_t value);

/// A request record whose data, whatever it is, is freed when this goes out of scope.
class ReplyBuffer {
 public:
  ReplyBuffer() = default;
  ~ReplyBuffer() { HostFree(record_.data); }
  ReplyBuffer(const ReplyBuffer&) = delete;
  ReplyBuffer& operator=(const ReplyBuffer&) = delete;

  HostBuffer* get() { return &record_; }
  int32_t len() const { return record_.len; }
  const void* data() const { return record_.data; }

  /// Puts input in the record; it stays ours until released.
  void SetInput(int32_t len, HostData data) {
    HostFree(record_.data);
    record_.len = len;
    record_.data = data.release();
  }
  /// Forgets the data without freeing it: the host has taken it over.
  void Release() {
    record_.data = nullptr;
    record_.len = 0;
  }

 private:
  HostBuffer record_{0, nullptr};
};

}  // namespace vantel
