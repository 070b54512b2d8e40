// Windows: the process's unhandled-exception filter and its reporter thread (crash_report.h).
// dbghelp.dll is loaded from the system folder when the reporter is installed, so the program
// imports nothing more for it, never picks up a copy from another folder, and a report needs no
// loader work at a moment when the faulted thread may hold the loader's lock.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/crash_report.h"
#include "platform/win32/com_text.h"
#include "platform/win32/windows_api.h"
// After windows_api.h, whose types it uses.
#include <dbghelp.h>

namespace radlyn::platform {
namespace {

// Stack kept back on a thread that may overflow: enough for the filter to hand the exception on.
constexpr ULONG kStackReserveBytes = 64 * 1024;
// The reporter's own stack: the dump writer and the reporter's file writes run on it.
constexpr SIZE_T kReporterStackBytes = 256 * 1024;
// How long the report waits for the main thread to finish a result write it is in.
constexpr std::uint32_t kResultTurnLimitMs = 5000;
// How long a faulted thread waits for the reporter before it reports itself: the reporter may be
// stuck on a lock the faulted thread holds (the loader's, for a fault in a module's start-up).
constexpr DWORD kReporterLimitMs = 30000;
// Files tried under one second's name before giving up.
constexpr int kDumpNameAttempts = 100;

using WriteDump = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                PMINIDUMP_EXCEPTION_INFORMATION, PMINIDUMP_USER_STREAM_INFORMATION,
                                PMINIDUMP_CALLBACK_INFORMATION);

CrashReporter installed_reporter = nullptr;
bool installed = false;
WriteDump write_dump = nullptr;
HANDLE report_requested = nullptr;
HANDLE reporter_thread = nullptr;
DWORD reporter_thread_id = 0;
LONG reporting = 0;
// The exception handed to the reporter (set before report_requested is signalled).
DWORD faulted_thread_id = 0;
EXCEPTION_POINTERS* faulted_pointers = nullptr;

std::wstring FileNameOf(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

// The file name of the module whose code lies at `address`, or "".
std::string ModuleAt(const void* address) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module)) {
    return {};
  }
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::string() : win32::AnsiFromWide(FileNameOf(path));
}

// The program file's name without folder and extension: the stem of its dumps' names.
std::wstring ProgramStem() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring stem = length == 0 || length >= MAX_PATH ? L"program" : FileNameOf(path);
  if (const std::size_t dot = stem.rfind(L'.'); dot != std::wstring::npos && dot > 0) {
    stem.resize(dot);
  }
  return stem;
}

std::wstring TempFolder() {
  std::wstring folder(MAX_PATH + 1, L'\0');
  DWORD length = ::GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  if (length >= folder.size()) {
    folder.assign(length + 1, L'\0');
    length = ::GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  }
  if (length == 0 || length >= folder.size()) return {};
  folder.resize(length);
  return folder;
}

// A new file "<stem>-YYYYMMDD-HHMMSS-<process id>[-N].dmp" in `folder`, never one that exists.
HANDLE CreateDumpFile(const std::wstring& folder, const std::wstring& stem, std::wstring* path) {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  wchar_t name[64];
  std::swprintf(name, 64, L"-%04u%02u%02u-%02u%02u%02u-%lu", now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond, ::GetCurrentProcessId());
  for (int attempt = 1; attempt <= kDumpNameAttempts; ++attempt) {
    *path = folder + stem + name;
    if (attempt > 1) *path += L"-" + std::to_wstring(attempt);
    *path += L".dmp";
    HANDLE file = ::CreateFileW(path->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return INVALID_HANDLE_VALUE;
}

// True for "<stem>-YYYYMMDD-HHMMSS-..." (the names CreateDumpFile gives; another program whose
// name begins with the stem and a dash does not match).
bool IsDumpName(const std::wstring& name, const std::wstring& stem) {
  const std::size_t at = stem.size() + 1;
  if (name.size() < at + 16 || name[at + 8] != L'-' || name[at + 15] != L'-') return false;
  for (std::size_t i = at; i < at + 15; ++i) {
    if (i != at + 8 && (name[i] < L'0' || name[i] > L'9')) return false;
  }
  return true;
}

// Deletes all but the newest kKeptCrashDumps of the program's dumps in `folder` (newest by
// last write, then by name).
void PruneDumps(const std::wstring& folder, const std::wstring& stem) {
  struct Dump {
    ULONGLONG written;
    std::wstring name;
  };
  std::vector<Dump> dumps;
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW((folder + stem + L"-*.dmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        !IsDumpName(found.cFileName, stem)) {
      continue;
    }
    const ULONGLONG written = (static_cast<ULONGLONG>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                              found.ftLastWriteTime.dwLowDateTime;
    dumps.push_back({written, found.cFileName});
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  if (dumps.size() <= static_cast<std::size_t>(kKeptCrashDumps)) return;
  std::sort(dumps.begin(), dumps.end(), [](const Dump& a, const Dump& b) {
    return a.written != b.written ? a.written < b.written : a.name < b.name;
  });
  for (std::size_t i = 0; i + kKeptCrashDumps < dumps.size(); ++i) {
    ::DeleteFileW((folder + dumps[i].name).c_str());
  }
}

// Leaves the reporter's own thread out of the dump: it holds nothing of the crash.
BOOL CALLBACK LeaveOutReporter(void*, const PMINIDUMP_CALLBACK_INPUT input,
                               PMINIDUMP_CALLBACK_OUTPUT) {
  if (input != nullptr && input->CallbackType == IncludeThreadCallback) {
    return input->IncludeThread.ThreadId != reporter_thread_id;
  }
  return TRUE;
}

// The dump of the faulted thread's exception, stacks filtered; its path, or "" when it fails.
std::string WriteMinidump(DWORD thread_id, EXCEPTION_POINTERS* pointers) {
  if (write_dump == nullptr) return {};
  const std::wstring folder = TempFolder();
  if (folder.empty()) return {};
  const std::wstring stem = ProgramStem();
  std::wstring path;
  HANDLE file = CreateDumpFile(folder, stem, &path);
  if (file == INVALID_HANDLE_VALUE) return {};
  MINIDUMP_EXCEPTION_INFORMATION exception{thread_id, pointers, FALSE};
  const auto type = static_cast<MINIDUMP_TYPE>(MiniDumpNormal | MiniDumpFilterMemory);
  MINIDUMP_CALLBACK_INFORMATION callback{&LeaveOutReporter, nullptr};
  const BOOL written = write_dump(::GetCurrentProcess(), ::GetCurrentProcessId(), file, type,
                                  &exception, nullptr, &callback);
  ::CloseHandle(file);
  if (!written) {
    ::DeleteFileW(path.c_str());
    return {};
  }
  PruneDumps(folder, stem);
  return win32::AnsiFromWide(path);
}

// Reports the exception of `thread_id` and ends the process with its code.
[[noreturn]] void Report(DWORD thread_id, EXCEPTION_POINTERS* pointers) {
  const DWORD code = pointers->ExceptionRecord->ExceptionCode;
  TakeResultWriteTurnForReport(kResultTurnLimitMs);
  CrashReport report;
  report.code = code;
  report.faulting_module = ModuleAt(pointers->ExceptionRecord->ExceptionAddress);
  report.dump_path = WriteMinidump(thread_id, pointers);
  if (installed_reporter != nullptr) installed_reporter(report);
  ::TerminateProcess(::GetCurrentProcess(), code);
  for (;;) ::Sleep(INFINITE);
}

DWORD WINAPI ReporterMain(void*) {
  ::WaitForSingleObject(report_requested, INFINITE);
  Report(faulted_thread_id, faulted_pointers);
}

// Runs on the faulted thread, whose stack may be all but used up: it only hands the exception
// to the reporter thread and waits for the reporter to end the process (reporting itself only
// when the reporter is stuck).
LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers) {
  const DWORD self = ::GetCurrentThreadId();
  if (self == reporter_thread_id) {
    // The report itself faulted: end without it.
    ::TerminateProcess(::GetCurrentProcess(), pointers->ExceptionRecord->ExceptionCode);
  }
  if (::InterlockedCompareExchange(&reporting, 1, 0) != 0) {
    // Another thread's report is under way; it ends the process.
    for (;;) ::Sleep(INFINITE);
  }
  EnterCrashMode();
  if (reporter_thread == nullptr) Report(self, pointers);  // no reporter thread could be made
  faulted_thread_id = self;
  faulted_pointers = pointers;
  ::SetEvent(report_requested);
  if (::WaitForSingleObject(reporter_thread, kReporterLimitMs) == WAIT_TIMEOUT) {
    Report(self, pointers);
  }
  ::TerminateProcess(::GetCurrentProcess(), pointers->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

void LoadDumpWriter() {
  wchar_t system[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  HMODULE dbghelp = ::LoadLibraryExW((std::wstring(system) + L"\\dbghelp.dll").c_str(), nullptr,
                                     LOAD_WITH_ALTERED_SEARCH_PATH);
  if (dbghelp == nullptr) return;
  write_dump = reinterpret_cast<WriteDump>(
      reinterpret_cast<void*>(::GetProcAddress(dbghelp, "MiniDumpWriteDump")));
}

}  // namespace

void InstallCrashReporter(CrashReporter reporter) {
  installed_reporter = reporter;
  if (!installed) {
    installed = true;
    LoadDumpWriter();
    report_requested = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (report_requested != nullptr) {
      reporter_thread = ::CreateThread(nullptr, kReporterStackBytes, &ReporterMain, nullptr,
                                       STACK_SIZE_PARAM_IS_A_RESERVATION, &reporter_thread_id);
    }
  }
  ReserveStackForCrashReport();
  // No error-reporting dialog either, should the filter itself be passed by.
  ::SetErrorMode(::GetErrorMode() | SEM_NOGPFAULTERRORBOX);
  ::SetUnhandledExceptionFilter(&OnUnhandledException);
}

void ReserveStackForCrashReport() {
  ULONG reserve = kStackReserveBytes;
  ::SetThreadStackGuarantee(&reserve);
}

ForeignCrashFilter ReinstallCrashReporter() {
  if (!installed) return {};
  const LPTOP_LEVEL_EXCEPTION_FILTER previous =
      ::SetUnhandledExceptionFilter(&OnUnhandledException);
  ForeignCrashFilter foreign;
  if (previous != nullptr && previous != &OnUnhandledException) {
    foreign.found = true;
    foreign.module = ModuleAt(reinterpret_cast<const void*>(previous));
  }
  return foreign;
}

}  // namespace radlyn::platform
