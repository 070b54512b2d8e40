// Processes on Windows: CreateProcessA with the program path as the application name (no search)
// and the argument text as the whole command line, a bounded wait, and the exit code from
// GetExitCodeProcess, which is STILL_ACTIVE for a child that outlived the limit. Such a child
// keeps running on its own; Windows keeps no ended child waiting for its parent, so closing both
// handles is all the clean-up there is.
//
// The wait handles the thread's messages meanwhile: the thread owns windows (the invisible
// parent dialog, COM's apartment window), and another program's SendMessage to them, a
// broadcast among others, would otherwise block that program for as long as the child runs.
#include <cwctype>
#include <string>

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/win32/message_wait.h"
#include "platform/win32/windows_api.h"

static_assert(radlyn::platform::kStillActive == STILL_ACTIVE);

namespace radlyn::platform {
namespace {

// The file name (no folder) of a path, lowered for comparison.
std::wstring LoweredFileName(std::wstring path) {
  path = path.substr(path.find_last_of(L"\\/") + 1);
  for (wchar_t& c : path) c = static_cast<wchar_t>(::towlower(c));
  return path;
}

class Win32Processes final : public Processes {
 public:
  std::uint32_t CurrentProcessId() override { return ::GetCurrentProcessId(); }

  bool IsRunningThisProgram(std::uint32_t id) override {
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (process == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER;  // no such id
    DWORD exit_code = 0;
    wchar_t image[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    const bool ended = ::GetExitCodeProcess(process, &exit_code) && exit_code != STILL_ACTIVE;
    const bool named = ::QueryFullProcessImageNameW(process, 0, image, &size) != FALSE;
    ::CloseHandle(process);
    if (ended) return false;
    if (!named) return true;  // running, but not to be inspected
    wchar_t own[MAX_PATH * 2];
    const DWORD own_size = ::GetModuleFileNameW(nullptr, own, MAX_PATH * 2);
    return own_size > 0 && LoweredFileName(std::wstring(own, own_size)) ==
                               LoweredFileName(std::wstring(image, size));
  }

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

    WaitHandlingMessages(&process.hProcess, 1, time_limit_ms);
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
