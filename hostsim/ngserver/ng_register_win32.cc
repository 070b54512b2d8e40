#include "ngserver/ng_classes.h"
#include "ngserver/ng_register.h"
#include "platform/win32/windows_api.h"

namespace hostsim {
namespace {

// Sets the default value of HKEY_CLASSES_ROOT\`key` (created when missing).
bool SetClassesValue(const std::string& key, const std::string& value, std::string* error) {
  HKEY handle = nullptr;
  LONG status = ::RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &handle, nullptr);
  if (status == ERROR_SUCCESS) {
    status =
        ::RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(handle);
  }
  if (status == ERROR_SUCCESS) return true;
  *error = "cannot write the registry value HKEY_CLASSES_ROOT\\" + key;
  return false;
}

}  // namespace

bool RegisterNgServers(const std::filesystem::path& /*folder*/, const std::string& server_program,
                       bool in_registry, std::string* error) {
  if (!in_registry) return true;
  for (const NgClass& entry : kNgClasses) {
    const std::string description = std::string(entry.prog_id) + " (hostsim)";
    const std::string class_key = std::string("CLSID\\") + entry.class_id;
    const std::string command = "\"" + server_program + "\" " + entry.server;
    if (!SetClassesValue(entry.prog_id, description, error) ||
        !SetClassesValue(std::string(entry.prog_id) + "\\CLSID", entry.class_id, error) ||
        !SetClassesValue(class_key, description, error) ||
        !SetClassesValue(class_key + "\\ProgID", entry.prog_id, error) ||
        !SetClassesValue(class_key + "\\LocalServer32", command, error)) {
      return false;
    }
  }
  return true;
}

}  // namespace hostsim
