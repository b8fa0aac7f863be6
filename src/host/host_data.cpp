#include "host/host_data.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>

namespace vantel {
namespace {

size_t MallocBlockSize(const void* block) {
  return block ? malloc_usable_size(const_cast<void*>(block)) : 0;
}

constexpr HostAllocator kMalloc{&std::malloc, &std::free, &MallocBlockSize};
const HostAllocator* allocator = &kMalloc;

}  // namespace

void SetHostAllocator(const HostAllocator* replacement) {
  allocator = replacement ? replacement : &kMalloc;
}

void* HostAlloc(size_t size) {
  void* block = allocator->alloc(size ? size : 1);
  if (block == nullptr) std::abort();  // out of memory: nothing sane is left to do
  return block;
}

void HostFree(void* block) {
  if (block) allocator->release(block);
}

size_t HostBlockSize(const void* block) { return block ? allocator->blockSize(block) : 0; }

HostData AllocInt(int32_t value) {
  HostData data(HostAlloc(sizeof value));
  std::memcpy(data.get(), &value, sizeof value);
  return data;
}

}  // namespace vantel
