// The memory-block functions on Windows: kernel32's movable global memory, whose handles
// (HGLOBAL, 32 bits in this 32-bit program) are the block handles themselves. Morlund's modules
// use the same heap directly, so blocks pass between them and radlyn as they are.
//
// The Windows rules apply unchanged: a block of 0 bytes is allocated discarded and has no
// address, and a stale handle is recognised only as far as kernel32 itself recognises it.
//
// The live-block count is kept by this library's copy in each program or module that links it;
// it counts the blocks allocated and freed through that copy.
#include <atomic>

#include "platform/global_memory.h"
#include "platform/win32/windows_api.h"

static_assert(sizeof(HGLOBAL) == sizeof(GmHandle), "block handles travel in 4-byte fields");

namespace {

std::atomic<std::uint32_t> live_blocks{0};

HGLOBAL ToGlobal(GmHandle handle) { return reinterpret_cast<HGLOBAL>(handle); }
GmHandle ToHandle(HGLOBAL global) { return reinterpret_cast<GmHandle>(global); }

}  // namespace

extern "C" {

GmHandle GmAlloc(std::uint32_t bytes) {
  HGLOBAL global = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  if (global != nullptr) ++live_blocks;
  return ToHandle(global);
}

void* GmLock(GmHandle handle) { return handle == 0 ? nullptr : ::GlobalLock(ToGlobal(handle)); }

int GmUnlock(GmHandle handle) { return handle != 0 && ::GlobalUnlock(ToGlobal(handle)) ? 1 : 0; }

GmHandle GmReAlloc(GmHandle handle, std::uint32_t bytes) {
  if (handle == 0) return 0;
  return ToHandle(::GlobalReAlloc(ToGlobal(handle), bytes, GMEM_MOVEABLE | GMEM_ZEROINIT));
}

std::uint32_t GmSize(GmHandle handle) {
  return handle == 0 ? 0 : static_cast<std::uint32_t>(::GlobalSize(ToGlobal(handle)));
}

GmHandle GmFree(GmHandle handle) {
  if (handle == 0) return 0;
  if (::GlobalFree(ToGlobal(handle)) != nullptr) return handle;
  --live_blocks;
  return 0;
}

std::uint32_t GmLiveBlockCount() { return live_blocks; }

}  // extern "C"
