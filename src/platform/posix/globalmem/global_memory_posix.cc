// The memory-block library: movable blocks behind 32-bit handles, shared by radlyn and Morlund's
// modules (both link this one library, so both see one table).
//
// A handle is a slot number (low 20 bits, never 0) and the slot's generation (high 12 bits).
// Freeing a block advances its slot's generation and queues the slot at the back of the free
// list, so a stale handle is recognised (its generation no longer matches) until the same slot
// has been reused 4096 times. Storage comes from calloc/realloc; the table is guarded by one
// mutex, so modules on other threads may use it too.
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/global_memory.h"

namespace {

constexpr std::uint32_t kSlotBits = 20;
constexpr std::uint32_t kSlotMask = (1u << kSlotBits) - 1;
constexpr std::uint32_t kGenerationMask = (1u << (32 - kSlotBits)) - 1;
constexpr std::uint32_t kMaxSlots = kSlotMask;  // slot 0 is never used

struct Slot {
  void* data = nullptr;
  std::uint32_t size = 0;
  std::uint32_t locks = 0;
  std::uint32_t generation = 0;
  bool live = false;
};

class BlockTable {
 public:
  GmHandle Alloc(std::uint32_t bytes) {
    // At least one byte, so that even an empty block has an address.
    void* data = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (data == nullptr) return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    std::uint32_t index;
    if (!free_slots_.empty()) {
      index = free_slots_.front();
      free_slots_.pop_front();
    } else if (slots_.size() < kMaxSlots) {
      if (slots_.empty()) slots_.emplace_back();  // slot 0 stays unused: handles are never 0
      index = static_cast<std::uint32_t>(slots_.size());
      slots_.emplace_back();
    } else {
      std::free(data);
      return 0;
    }
    Slot& slot = slots_[index];
    slot.data = data;
    slot.size = bytes;
    slot.locks = 0;
    slot.live = true;
    ++live_count_;
    return slot.generation << kSlotBits | index;
  }

  void* Lock(GmHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Slot* slot = Find(handle);
    if (slot == nullptr) return nullptr;
    if (slot->locks != UINT32_MAX) ++slot->locks;
    return slot->data;
  }

  int Unlock(GmHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Slot* slot = Find(handle);
    if (slot == nullptr || slot->locks == 0) return 0;
    --slot->locks;
    return slot->locks != 0 ? 1 : 0;
  }

  GmHandle ReAlloc(GmHandle handle, std::uint32_t bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    Slot* slot = Find(handle);
    if (slot == nullptr) return 0;
    void* data = std::realloc(slot->data, bytes == 0 ? 1 : bytes);
    if (data == nullptr) return 0;  // the old block stays as it was
    if (bytes > slot->size) {
      std::memset(static_cast<char*>(data) + slot->size, 0, bytes - slot->size);
    }
    slot->data = data;
    slot->size = bytes;
    return handle;
  }

  std::uint32_t Size(GmHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Slot* slot = Find(handle);
    return slot != nullptr ? slot->size : 0;
  }

  GmHandle Free(GmHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    Slot* slot = Find(handle);
    if (slot == nullptr) return handle;
    std::free(slot->data);
    *slot = Slot{nullptr, 0, 0, (slot->generation + 1) & kGenerationMask, false};
    free_slots_.push_back(handle & kSlotMask);
    --live_count_;
    return 0;
  }

  std::uint32_t LiveCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return live_count_;
  }

 private:
  Slot* Find(GmHandle handle) {
    std::uint32_t index = handle & kSlotMask;
    if (index == 0 || index >= slots_.size()) return nullptr;
    Slot& slot = slots_[index];
    if (!slot.live || slot.generation != handle >> kSlotBits) return nullptr;
    return &slot;
  }

  std::mutex mutex_;
  std::vector<Slot> slots_;
  std::deque<std::uint32_t> free_slots_;
  std::uint32_t live_count_ = 0;
};

BlockTable& Table() {
  // Never destroyed: modules may free blocks from their own static destructors.
  static BlockTable* table = new BlockTable;
  return *table;
}

}  // namespace

extern "C" {

GmHandle GmAlloc(std::uint32_t bytes) { return Table().Alloc(bytes); }
void* GmLock(GmHandle handle) { return Table().Lock(handle); }
int GmUnlock(GmHandle handle) { return Table().Unlock(handle); }
GmHandle GmReAlloc(GmHandle handle, std::uint32_t bytes) { return Table().ReAlloc(handle, bytes); }
std::uint32_t GmSize(GmHandle handle) { return Table().Size(handle); }
GmHandle GmFree(GmHandle handle) { return Table().Free(handle); }
std::uint32_t GmLiveBlockCount() { return Table().LiveCount(); }

}  // extern "C"
