// Processes on Windows: CreateProcessA with the program path as the application name (no search)
// and the argument text as the whole command line, a bounded wait, and the exit code from
// GetExitCodeProcess, which is STILL_ACTIVE for a child that outlived the limit. Such a child
// keeps running on its own; Windows keeps no ended child waiting for its parent, so closing both
// handles is all the clean-up there is.
//
// The wait handles the thread's messages meanwhile: the thread owns windows (the invisible
// parent dialog, COM's apartment window), and another program's SendMessage to them, a
// broadcast among others, would otherwise block that program for as long as the child runs.
#include <string>

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/win32/windows_api.h"

static_assert(radlyn::platform::kStillActive == STILL_ACTIVE);

namespace radlyn::platform {
namespace {

// Dispatches every message waiting for the thread (sent ones are handled by PeekMessage itself).
// A quit message is kept aside: the caller's message loop, if any, still finds it later.
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

// Waits until `process` has ended or `limit_ms` has passed, dispatching the thread's messages.
// False only when the wait itself failed (the last error is then set).
bool WaitHandlingMessages(HANDLE process, DWORD limit_ms) {
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
        ::MsgWaitForMultipleObjectsEx(1, &process, remaining, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0 || woke == WAIT_TIMEOUT) break;
    if (woke != WAIT_OBJECT_0 + 1) {
      SetLastErrorFromWin32();
      ok = false;
      break;
    }
    DispatchWaitingMessages(&quit, &quit_code);
  }
  if (quit) ::PostQuitMessage(static_cast<int>(quit_code));
  return ok;
}

class Win32Processes final : public Processes {
 public:
  ProcessRun Run(std::string_view program_path, std::string_view argument_text,
                 std::uint32_t time_limit_ms) override {
    ProcessRun run;
    const std::string application = ToNativePath(program_path);
    // CreateProcessA may write into the command line: it gets a private, terminated copy.
    std::string command_line(argument_text.substr(0, argument_text.find('\0')));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(application.c_str(), command_line.data(), nullptr, nullptr,
                          /*bInheritHandles=*/FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr,
                          &startup, &process)) {
      SetLastErrorFromWin32();
      return run;
    }
    run.started = true;
    ::CloseHandle(process.hThread);

    WaitHandlingMessages(process.hProcess, time_limit_ms);
    DWORD exit_code = 0;
    if (::GetExitCodeProcess(process.hProcess, &exit_code)) {
      run.exit_code = exit_code;
    } else {
      SetLastErrorFromWin32();
    }
    ::CloseHandle(process.hProcess);
    return run;
  }
};

}  // namespace

Processes& Processes::Native() {
  static Win32Processes processes;
  return processes;
}

}  // namespace radlyn::platform
