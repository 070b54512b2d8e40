// Waiting on the thread that owns Radlyn's windows (the invisible parent dialog, COM's apartment
// window) without blocking the programs that send messages to them: every wait there handles the
// thread's messages meanwhile. A quit message is kept aside and posted again afterwards, so that
// a caller's message loop still finds it. Once the process is crashing (crash_report.h) the
// waits are plain ones that dispatch nothing.
#pragma once

#include "platform/win32/windows_api.h"

namespace radlyn::platform {

// Waits until one of `count` handles (none: only the time) is signalled or `limit_ms` (INFINITE:
// no limit) has passed, dispatching the thread's messages. False only when the wait itself failed
// (the last error is then set).
bool WaitHandlingMessages(const HANDLE* handles, DWORD count, DWORD limit_ms);

}  // namespace radlyn::platform
