#include "platform/win32/message_wait.h"

#include "platform/crash_report.h"
#include "platform/last_error.h"

namespace radlyn::platform {
namespace {

// Dispatches every message waiting for the thread (sent ones are handled by PeekMessage itself).
void DispatchWaitingMessages(bool* quit, WPARAM* quit_code) {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      *quit = true;
      *quit_code = message.wParam;
      continue;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

}  // namespace

bool WaitHandlingMessages(const HANDLE* handles, DWORD count, DWORD limit_ms) {
  if (IsCrashing()) {
    // A crashed module's window procedures must not run again on top of its faulted frame.
    if (count == 0) {
      ::Sleep(limit_ms);
      return true;
    }
    if (::WaitForMultipleObjects(count, handles, FALSE, limit_ms) != WAIT_FAILED) return true;
    SetLastErrorFromWin32();
    return false;
  }
  const ULONGLONG deadline = ::GetTickCount64() + limit_ms;
  bool quit = false;
  WPARAM quit_code = 0;
  bool ok = true;
  for (;;) {
    DWORD remaining = INFINITE;
    if (limit_ms != INFINITE) {
      const ULONGLONG now = ::GetTickCount64();
      remaining = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    }
    // MWMO_INPUTAVAILABLE also wakes for messages that were already waiting before the call.
    const DWORD woke =
        ::MsgWaitForMultipleObjectsEx(count, handles, remaining, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke < WAIT_OBJECT_0 + count || woke == WAIT_TIMEOUT) break;
    if (woke != WAIT_OBJECT_0 + count) {
      SetLastErrorFromWin32();
      ok = false;
      break;
    }
    DispatchWaitingMessages(&quit, &quit_code);
  }
  if (quit) ::PostQuitMessage(static_cast<int>(quit_code));
  return ok;
}

}  // namespace radlyn::platform
