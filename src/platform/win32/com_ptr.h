// ComPtr: one owned reference to a COM interface, released when the holder is destroyed or
// given a new reference, so that every path out of a function lets go of what it obtained.
#pragma once

#include <utility>

#include "platform/win32/windows_api.h"

namespace radlyn::platform::win32 {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over the reference the caller holds on `interface_pointer` (no AddRef).
  explicit ComPtr(T* interface_pointer) : pointer_(interface_pointer) {}
  ComPtr(const ComPtr& other) : pointer_(other.pointer_) {
    if (pointer_ != nullptr) pointer_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  T* get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  void Reset() {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
  }
  // For a call that hands out a reference through a T** parameter.
  T** Receive() {
    Reset();
    return &pointer_;
  }
  // For a call that hands out a reference through a void** parameter (QueryInterface and the
  // like).
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
  // Gives the reference to the caller, who then releases it.
  T* Detach() { return std::exchange(pointer_, nullptr); }

  // The object's interface `iid` of type U; empty when the object does not offer it.
  template <typename U>
  ComPtr<U> As(REFIID iid) const {
    ComPtr<U> other;
    if (pointer_ != nullptr && FAILED(pointer_->QueryInterface(iid, other.ReceiveVoid()))) {
      other.Reset();
    }
    return other;
  }

 private:
  T* pointer_ = nullptr;
};

}  // namespace radlyn::platform::win32
