// A movable memory block locked for the length of a scope. data() is nullptr when the handle is
// 0, unknown, or (with a minimum size) smaller than the caller needs, so a caller never reads
// past a block it was handed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/global_memory.h"

namespace hostsim {

class LockedBlock {
 public:
  explicit LockedBlock(GmHandle handle, std::size_t minimum_size = 0) : handle_(handle) {
    if (handle == 0 || GmSize(handle) < minimum_size) return;
    data_ = static_cast<std::uint8_t*>(GmLock(handle));
    if (data_ != nullptr) size_ = GmSize(handle);
  }
  ~LockedBlock() {
    if (data_ != nullptr) GmUnlock(handle_);
  }
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;

  std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  GmHandle handle_;
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace hostsim
