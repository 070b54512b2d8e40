// Movable global-memory blocks, as Morlund's modules exchange them: 32-bit handles, zero-filled
// on allocation, a lock count, size and resize. The C functions live in a small shared library
// that radlyn and the modules both link, so both sides see the same blocks. On Windows they are
// the system's own movable global memory (a static library over it, as that heap is shared by the
// whole process already): there a block of 0 bytes has no address, and the live-block count
// covers the blocks of the program or module that counts. Radlyn reaches them through the
// replaceable `GlobalMemory` service so that a test can make an allocation fail.
#pragma once

#include <cstdint>

#include "platform/service.h"

extern "C" {
typedef std::uint32_t GmHandle;

// A new zero-filled block of `bytes` bytes (0 bytes allowed), or 0 when none can be had.
GmHandle GmAlloc(std::uint32_t bytes);
// The block's address, counting one more lock; nullptr for an unknown handle.
void* GmLock(GmHandle handle);
// Counts one lock less; nonzero while the block is still locked.
int GmUnlock(GmHandle handle);
// Resizes a block, keeping its content and zero-filling growth; the same handle, or 0 on failure.
GmHandle GmReAlloc(GmHandle handle, std::uint32_t bytes);
// The block's size in bytes, 0 for an unknown handle.
std::uint32_t GmSize(GmHandle handle);
// Frees the block: 0 on success, the handle itself when it is unknown.
GmHandle GmFree(GmHandle handle);
// How many blocks are allocated and not yet freed (for leak checks in tests).
std::uint32_t GmLiveBlockCount();
}

namespace radlyn::platform {

class GlobalMemory {
 public:
  virtual ~GlobalMemory() = default;
  virtual GmHandle Alloc(std::uint32_t bytes) { return GmAlloc(bytes); }
  virtual void* Lock(GmHandle handle) { return GmLock(handle); }
  virtual int Unlock(GmHandle handle) { return GmUnlock(handle); }
  virtual GmHandle ReAlloc(GmHandle handle, std::uint32_t bytes) {
    return GmReAlloc(handle, bytes);
  }
  virtual std::uint32_t Size(GmHandle handle) { return GmSize(handle); }
  virtual GmHandle Free(GmHandle handle) { return GmFree(handle); }

  static GlobalMemory& Native();
};

inline GlobalMemory& GetGlobalMemory() { return Service<GlobalMemory>::Get(); }

}  // namespace radlyn::platform
