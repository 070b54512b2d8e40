#include "platform/win32/call_watchdog.h"

// The OLE declarations need the Win32 types above.
#include <ole2.h>

namespace radlyn::platform::win32 {
namespace {

// The thread whose call is overdue (0: none); one armed watchdog per calling thread at a time.
volatile LONG overdue_thread = 0;

}  // namespace

CallWatchdog::CallWatchdog(std::uint32_t limit_ms) : thread_id_(::GetCurrentThreadId()) {
  if (!::CreateTimerQueueTimer(&timer_, nullptr, &CallWatchdog::Fire, this, limit_ms, 0,
                               WT_EXECUTEONLYONCE)) {
    timer_ = nullptr;  // the call goes out unbounded, as it would without a watchdog
  }
}

CallWatchdog::~CallWatchdog() {
  // INVALID_HANDLE_VALUE: wait until a firing that has begun has finished.
  if (timer_ != nullptr) ::DeleteTimerQueueTimer(nullptr, timer_, INVALID_HANDLE_VALUE);
  // A wake-up message left in the queue is a WM_NULL, which no one minds.
  ::InterlockedCompareExchange(&overdue_thread, 0, static_cast<LONG>(thread_id_));
}

bool CallWatchdog::Fired() const {
  return ::InterlockedCompareExchange(const_cast<volatile LONG*>(&fired_), 0, 0) != 0;
}

void CALLBACK CallWatchdog::Fire(void* watchdog, BOOLEAN) {
  auto* self = static_cast<CallWatchdog*>(watchdog);
  ::InterlockedExchange(&self->fired_, 1);
  ::InterlockedExchange(&overdue_thread, static_cast<LONG>(self->thread_id_));
  ::CoCancelCall(self->thread_id_, 0);
  ::PostThreadMessageA(self->thread_id_, WM_NULL, 0, 0);
}

bool CallOverdue() {
  return ::InterlockedCompareExchange(&overdue_thread, 0, 0) ==
         static_cast<LONG>(::GetCurrentThreadId());
}

}  // namespace radlyn::platform::win32
