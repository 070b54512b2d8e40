// Bounds one outgoing COM call of the calling thread. A CallWatchdog armed before the call fires
// once after `limit_ms` on a pool thread: it asks COM to cancel the call (CoCancelCall, for which
// the component system enabled cancellation) and wakes the thread's modal wait with a message, so
// that the message filter, which asks CallOverdue() whenever a message arrives during a call,
// cancels it as well (where CoCancelCall cannot reach the call). Either way the call fails with
// RPC_E_CALL_CANCELED. Disarming waits for a firing that has begun, so nothing fires afterwards.
#pragma once

#include <cstdint>

#include "platform/win32/windows_api.h"

namespace radlyn::platform::win32 {

class CallWatchdog {
 public:
  explicit CallWatchdog(std::uint32_t limit_ms);
  ~CallWatchdog();
  CallWatchdog(const CallWatchdog&) = delete;
  CallWatchdog& operator=(const CallWatchdog&) = delete;

  // True once the limit has passed.
  bool Fired() const;

 private:
  static void CALLBACK Fire(void* watchdog, BOOLEAN);

  DWORD thread_id_;
  HANDLE timer_ = nullptr;
  volatile LONG fired_ = 0;
};

// True while a call of the calling thread is under a watchdog that has fired.
bool CallOverdue();

}  // namespace radlyn::platform::win32
