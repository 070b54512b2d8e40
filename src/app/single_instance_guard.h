// CSingleInstanceGuard: keeps a second radlyn process from working while one runs.
//
// Construction creates (or opens) the named mutex "{C2772E85-0A11-4be6-A134-2B2421B164B9}",
// never waiting, and keeps the creation error. Start-up quits when that error says another
// process holds the mutex (already exists) or may not share it (access denied). The handle is
// held for the object's whole life and released at its destruction.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/named_mutex.h"

namespace radlyn {

inline constexpr const char* kSingleInstanceMutexName = "{C2772E85-0A11-4be6-A134-2B2421B164B9}";

class CSingleInstanceGuard {
 public:
  CSingleInstanceGuard();
  CSingleInstanceGuard(const CSingleInstanceGuard&) = delete;
  CSingleInstanceGuard& operator=(const CSingleInstanceGuard&) = delete;

  std::uint32_t GetCreationError() const { return creation_error_; }
  // True when the creation error shows that another instance is running.
  bool IsAnotherInstanceRunning() const;

 private:
  std::uint32_t creation_error_ = 0;
  std::unique_ptr<platform::NamedMutexHandle> handle_;
};

}  // namespace radlyn
