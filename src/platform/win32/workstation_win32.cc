// The workstation's facts on Windows: names, the desktop folder, a folder's access list, the
// running processes (a tool-help snapshot), Windows Installer's register of installed products
// and the replacements held for the next restart.
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/win32/windows_api.h"
#include "platform/workstation.h"
// After windows_api.h, whose types they use.
#include <aclapi.h>
#include <conio.h>
#include <shlobj.h>
#include <tlhelp32.h>

namespace radlyn::platform {
namespace {

constexpr ULONGLONG kFileTimeTicksPerSecond = 10'000'000;

ULONGLONG Ticks(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The rights that let a user create, change or delete files in a folder, or hand such rights out.
constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_ADD_SUBDIRECTORY |
                                     FILE_DELETE_CHILD | GENERIC_WRITE | GENERIC_ALL | WRITE_DAC |
                                     WRITE_OWNER;

struct WellKnownGroup {
  WELL_KNOWN_SID_TYPE type;
  const char* name;
};
constexpr WellKnownGroup kOtherUsers[] = {{WinWorldSid, "Everyone"},
                                          {WinAuthenticatedUserSid, "Authenticated Users"},
                                          {WinBuiltinUsersSid, "Users"}};

std::string ReadString(HKEY key, const char* name) {
  char value[256] = {};
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return value;
}

std::string VersionInView(std::string_view display_name, REGSAM view) {
  HKEY uninstall = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                      0, KEY_READ | view, &uninstall) != ERROR_SUCCESS) {
    return {};
  }
  std::string version;
  char name[256];
  for (DWORD index = 0; version.empty(); ++index) {
    DWORD length = sizeof name;
    if (::RegEnumKeyExA(uninstall, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    HKEY product = nullptr;
    if (::RegOpenKeyExA(uninstall, name, 0, KEY_READ | view, &product) != ERROR_SUCCESS) continue;
    if (ReadString(product, "DisplayName") == display_name) {
      version = ReadString(product, "DisplayVersion");
    }
    ::RegCloseKey(product);
  }
  ::RegCloseKey(uninstall);
  return version;
}

}  // namespace

std::string ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  return ::GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

std::string UserName() {
  char name[257] = {};
  DWORD size = sizeof name;
  return ::GetUserNameA(name, &size) ? std::string(name) : std::string();
}

std::string DesktopFolder() {
  char path[MAX_PATH] = {};
  if (FAILED(
          ::SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path)) ||
      path[0] == '\0') {
    return {};
  }
  const DWORD attributes = ::GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  std::string folder = path;
  if (folder.back() != '\\') folder.push_back('\\');
  return folder;
}

FolderAccess DescribeOthersWriteAccess(std::string_view folder) {
  FolderAccess access;
  PACL list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const std::string path(folder);
  if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &list, nullptr, &descriptor) != ERROR_SUCCESS) {
    return access;
  }
  access.known = true;
  if (list == nullptr) {
    access.others_may_write = true;
    access.granted_to = "everyone (no access list)";
  }
  for (DWORD index = 0; list != nullptr && index < list->AceCount; ++index) {
    void* entry = nullptr;
    if (!::GetAce(list, index, &entry)) continue;
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) {
      continue;
    }
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
    if ((allowed->Mask & kWriteRights) == 0) continue;
    const PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    for (const WellKnownGroup& group : kOtherUsers) {
      BYTE buffer[SECURITY_MAX_SID_SIZE];
      DWORD size = sizeof buffer;
      if (!::CreateWellKnownSid(group.type, nullptr, buffer, &size) || !::EqualSid(sid, buffer) ||
          access.granted_to.find(group.name) != std::string::npos) {
        continue;
      }
      access.granted_to += (access.granted_to.empty() ? "" : ", ") + std::string(group.name);
      access.others_may_write = true;
    }
  }
  ::LocalFree(descriptor);
  return access;
}

std::vector<RunningProgram> FindRunningPrograms(std::string_view program_file_name) {
  std::vector<RunningProgram> found;
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return found;
  const std::string wanted(program_file_name);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  for (BOOL more = ::Process32First(snapshot, &entry); more;
       more = ::Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID == ::GetCurrentProcessId() ||
        ::lstrcmpiA(entry.szExeFile, wanted.c_str()) != 0) {
      continue;
    }
    RunningProgram program;
    program.process_id = entry.th32ProcessID;
    const HANDLE process =
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
    if (process != nullptr) {
      char path[MAX_PATH] = {};
      DWORD size = MAX_PATH;
      if (::QueryFullProcessImageNameA(process, 0, path, &size)) program.path.assign(path, size);
      program.image_file = program.path;
      FILETIME created{}, ended{}, kernel{}, user{};
      if (::GetProcessTimes(process, &created, &ended, &kernel, &user) &&
          Ticks(now) >= Ticks(created)) {
        program.seconds_running = (Ticks(now) - Ticks(created)) / kFileTimeTicksPerSecond;
      }
      ::CloseHandle(process);
    }
    found.push_back(std::move(program));
  }
  ::CloseHandle(snapshot);
  return found;
}

std::string InstalledProductVersion(std::string_view display_name) {
  std::string version = VersionInView(display_name, KEY_WOW64_32KEY);
  return version.empty() ? VersionInView(display_name, KEY_WOW64_64KEY) : version;
}

bool IsFileReplacementPending(std::string_view path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  DWORD size = 0;
  DWORD type = 0;
  std::vector<char> names;
  if (::RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type, nullptr, &size) ==
          ERROR_SUCCESS &&
      type == REG_MULTI_SZ) {
    names.resize(size + 2);
    if (::RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type,
                           reinterpret_cast<BYTE*>(names.data()), &size) != ERROR_SUCCESS) {
      names.clear();
    }
  }
  ::RegCloseKey(key);
  // Pairs of names, "\??\C:\..." each, the source of a rename first.
  const std::string wanted(path);
  for (std::size_t at = 0; at < names.size() && names[at] != '\0';) {
    std::string name(&names[at]);
    at += name.size() + 1;
    if (name.rfind("\\??\\", 0) == 0) name.erase(0, 4);
    if (!name.empty() && name.front() == '!') name.erase(0, 1);
    if (::lstrcmpiA(name.c_str(), wanted.c_str()) == 0) return true;
  }
  return false;
}

std::optional<ProcessRun> RunWithUserRights(std::string_view program_path,
                                            std::string_view argument_text,
                                            std::uint32_t time_limit_ms) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(),
                          TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY, &token)) {
    return std::nullopt;
  }
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  const bool elevated =
      ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
      elevation.TokenIsElevated != 0;
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD sid_size = sizeof administrators;
  SID_AND_ATTRIBUTES deny_only{administrators, 0};
  HANDLE restricted = nullptr;
  if (!elevated ||
      !::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sid_size) ||
      !::CreateRestrictedToken(token, DISABLE_MAX_PRIVILEGE, 1, &deny_only, 0, nullptr, 0, nullptr,
                               &restricted)) {
    ::CloseHandle(token);
    return std::nullopt;
  }
  ::CloseHandle(token);
  const std::string application = ToNativePath(program_path);
  std::string command_line(argument_text.substr(0, argument_text.find('\0')));
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const BOOL started = ::CreateProcessAsUserA(restricted, application.c_str(), command_line.data(),
                                              nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE,
                                              nullptr, nullptr, &startup, &process);
  ::CloseHandle(restricted);
  if (!started) return std::nullopt;
  ::CloseHandle(process.hThread);
  ProcessRun run;
  run.started = true;
  if (::WaitForSingleObject(process.hProcess, time_limit_ms) == WAIT_TIMEOUT) {
    // Nothing of a module that hangs may outlive the check.
    ::TerminateProcess(process.hProcess, kStillActive);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    run.exit_code = kStillActive;
  } else {
    DWORD exit_code = 0;
    if (::GetExitCodeProcess(process.hProcess, &exit_code)) run.exit_code = exit_code;
  }
  ::CloseHandle(process.hProcess);
  return run;
}

bool IsConsoleOwnedAlone() {
  DWORD processes[2] = {};
  return ::GetConsoleProcessList(processes, 2) == 1;
}

void WaitForKeyPress() { _getch(); }

}  // namespace radlyn::platform
