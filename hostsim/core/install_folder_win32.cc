#include "core/install_folder.h"
#include "platform/win32/windows_api.h"

namespace hostsim {

std::string FolderOfCode(const void* code_address) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCSTR>(code_address), &module)) {
    return {};
  }
  char path[MAX_PATH + 1];
  const DWORD length = ::GetModuleFileNameA(module, path, sizeof path);
  if (length == 0 || length >= sizeof path) return {};
  std::string file(path, length);
  const std::size_t separator = file.find_last_of("\\/");
  if (separator == std::string::npos) return {};
  return file.substr(0, separator + 1);
}

std::string InstallFolder() { return FolderOfCode(reinterpret_cast<const void*>(&InstallFolder)); }

}  // namespace hostsim
