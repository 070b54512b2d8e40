// A named, process-wide mutex used as a single-instance guard. Creating it never waits: the
// creation reports 0 when this process is the first holder, kWinAlreadyExists when another
// process holds it and kWinAccessDenied (with no handle) when it may not be opened or held.
// The holder keeps it until the object is destroyed. Windows' mutexes are per session; on Linux
// the mutex is a lock file in a folder of the user's own ($XDG_RUNTIME_DIR, else
// "radlyn-<uid>" below $TMPDIR or /tmp, mode 0700), so another user can neither hold nor plant it;
// a folder there that is not the user's own gives kWinAccessDenied.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/service.h"
#include "platform/windows_codes.h"

namespace radlyn::platform {

class NamedMutexHandle {
 public:
  virtual ~NamedMutexHandle() = default;
};

struct NamedMutexResult {
  std::unique_ptr<NamedMutexHandle> handle;  // null when nothing was created or opened
  std::uint32_t creation_error = 0;          // the platform's last error right after creation
};

class NamedMutexes {
 public:
  virtual ~NamedMutexes() = default;
  virtual NamedMutexResult Create(std::string_view name) = 0;

  static NamedMutexes& Native();
};

inline NamedMutexes& GetNamedMutexes() { return Service<NamedMutexes>::Get(); }

}  // namespace radlyn::platform
