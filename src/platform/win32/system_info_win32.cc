// The Windows version as the kernel reports it (RtlGetVersion: GetVersionEx answers what the
// program's manifest admits to, not the real version) and the native architecture.
#include <string>

#include "platform/system_info.h"
#include "platform/win32/windows_api.h"

namespace radlyn::platform {
namespace {

struct KernelVersion {
  ULONG size;
  ULONG major;
  ULONG minor;
  ULONG build;
  ULONG platform;
  WCHAR service_pack[128];
};
using RtlGetVersion_t = LONG(WINAPI*)(KernelVersion*);
using IsWow64Process_t = BOOL(WINAPI*)(HANDLE, BOOL*);

}  // namespace

SystemDescription DescribeSystem() {
  SystemDescription description;
  KernelVersion version{};
  version.size = sizeof version;
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  const auto get_version = reinterpret_cast<RtlGetVersion_t>(
      reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
  if (get_version != nullptr && get_version(&version) == 0) {
    description.system = "Windows " + std::to_string(version.major) + "." +
                         std::to_string(version.minor) + " (build " +
                         std::to_string(version.build) + ")";
  } else {
    description.system = "Windows (version unknown)";
  }

  BOOL wow64 = FALSE;
  const auto is_wow64 = reinterpret_cast<IsWow64Process_t>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
  if (is_wow64 != nullptr) is_wow64(::GetCurrentProcess(), &wow64);
  const char* program = sizeof(void*) == 8 ? "64-bit program" : "32-bit program";
  description.architecture = wow64 ? std::string("64-bit Windows, ") + program + " (WoW64)"
                             : sizeof(void*) == 8 ? std::string("64-bit Windows, ") + program
                                                  : std::string("32-bit Windows, ") + program;
  return description;
}

}  // namespace radlyn::platform
