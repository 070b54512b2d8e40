// Windows: the process's unhandled-exception filter (crash_report.h). dbghelp.dll is loaded from
// the system folder only when a dump is written, so the program imports nothing more for it and
// never picks up a copy from another folder.
#include <cstdio>
#include <string>

#include "platform/crash_report.h"
#include "platform/win32/windows_api.h"
// After windows_api.h, whose types it uses.
#include <dbghelp.h>

namespace radlyn::platform {
namespace {

CrashReporter installed_reporter = nullptr;
LONG reporting = 0;

std::string FileNameOf(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

// The file name of the module whose code lies at `address`, or "".
std::string ModuleAt(const void* address) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCSTR>(address), &module)) {
    return {};
  }
  char path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(module, path, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::string() : FileNameOf(path);
}

// "<temp>\<program>-<process id>.dmp" with the faulting thread's exception; "" when it fails.
std::string WriteMinidump(EXCEPTION_POINTERS* pointers) {
  char folder[MAX_PATH] = {};
  char system[MAX_PATH] = {};
  const DWORD folder_length = ::GetTempPathA(MAX_PATH, folder);
  const UINT system_length = ::GetSystemDirectoryA(system, MAX_PATH);
  if (folder_length == 0 || folder_length >= MAX_PATH || system_length == 0 ||
      system_length >= MAX_PATH) {
    return {};
  }
  HMODULE dbghelp = ::LoadLibraryExA((std::string(system) + "\\dbghelp.dll").c_str(), nullptr,
                                     LOAD_WITH_ALTERED_SEARCH_PATH);
  if (dbghelp == nullptr) return {};
  using WriteDump =
      BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                    PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);
  const auto write_dump = reinterpret_cast<WriteDump>(
      reinterpret_cast<void*>(::GetProcAddress(dbghelp, "MiniDumpWriteDump")));
  if (write_dump == nullptr) return {};

  char program[MAX_PATH] = {};
  std::string stem = ::GetModuleFileNameA(nullptr, program, MAX_PATH) != 0 ? FileNameOf(program)
                                                                           : std::string("program");
  if (const std::size_t dot = stem.rfind('.'); dot != std::string::npos && dot > 0) {
    stem.resize(dot);
  }
  const std::string path =
      std::string(folder) + stem + "-" + std::to_string(::GetCurrentProcessId()) + ".dmp";
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  MINIDUMP_EXCEPTION_INFORMATION exception{::GetCurrentThreadId(), pointers, FALSE};
  const BOOL written = write_dump(::GetCurrentProcess(), ::GetCurrentProcessId(), file,
                                  MiniDumpNormal, &exception, nullptr, nullptr);
  ::CloseHandle(file);
  if (!written) {
    ::DeleteFileA(path.c_str());
    return {};
  }
  return path;
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers) {
  const DWORD code = pointers->ExceptionRecord->ExceptionCode;
  if (::InterlockedExchange(&reporting, 1) == 0) {
    CrashReport report;
    report.code = code;
    report.faulting_module = ModuleAt(pointers->ExceptionRecord->ExceptionAddress);
    report.dump_path = WriteMinidump(pointers);
    if (installed_reporter != nullptr) installed_reporter(report);
  }
  ::TerminateProcess(::GetCurrentProcess(), code);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void InstallCrashReporter(CrashReporter reporter) {
  installed_reporter = reporter;
  // No error-reporting dialog either, should the filter itself be passed by.
  ::SetErrorMode(::GetErrorMode() | SEM_NOGPFAULTERRORBOX);
  ::SetUnhandledExceptionFilter(&OnUnhandledException);
}

}  // namespace radlyn::platform
