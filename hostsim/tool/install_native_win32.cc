// Windows: the modules need nothing beside them (the global heap is kernel32's); the version is
// the program file's version resource, rewritten with the resource-update functions; the
// registration is the LocalServer32 key in HKEY_CLASSES_ROOT, written as an installer writes it:
// the quoted program path followed by the server's argument.
#include <vector>

#include "install_native.h"
#include "platform/win32/windows_api.h"
#include "version_resource.h"

namespace hostsim {

namespace {

const LPCSTR kVersionType = MAKEINTRESOURCEA(16);  // RT_VERSION
const LPCSTR kVersionName = MAKEINTRESOURCEA(1);
const WORD kVersionLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list) {
  reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
  return TRUE;
}

// The languages under which the file carries a version resource now.
std::vector<WORD> VersionLanguages(const std::string& path) {
  std::vector<WORD> languages;
  HMODULE file = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (file == nullptr) return languages;
  ::EnumResourceLanguagesA(file, kVersionType, kVersionName, CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
  ::FreeLibrary(file);
  return languages;
}

}  // namespace

std::vector<std::string> SupportLibraries() { return {}; }

bool StampProductVersion(const std::string& path, const radlyn::platform::ProductVersion& version,
                         std::string* error) {
  *error = "cannot stamp the version into " + path;
  const std::vector<WORD> old_languages = VersionLanguages(path);
  std::vector<std::uint8_t> resource = VersionResource(version);
  HANDLE update = ::BeginUpdateResourceA(path.c_str(), FALSE);
  if (update == nullptr) return false;
  bool ok = true;
  // One version resource afterwards: any under another language goes.
  for (WORD language : old_languages) {
    if (language != kVersionLanguage) {
      ok = ok && ::UpdateResourceA(update, kVersionType, kVersionName, language, nullptr, 0);
    }
  }
  ok = ok && ::UpdateResourceA(update, kVersionType, kVersionName, kVersionLanguage,
                               resource.data(), static_cast<DWORD>(resource.size()));
  return ::EndUpdateResourceA(update, ok ? FALSE : TRUE) && ok;
}

bool RegisterInstallation(const std::string& program, std::string* error) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, kLocalServerKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
    *error = std::string("cannot create the registry key HKEY_CLASSES_ROOT\\") + kLocalServerKey;
    return false;
  }
  const std::string value = "\"" + program + "\" /automation";
  const LONG status =
      ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
  ::RegCloseKey(key);
  if (status == ERROR_SUCCESS) return true;
  *error = std::string("cannot write the registry value HKEY_CLASSES_ROOT\\") + kLocalServerKey;
  return false;
}

}  // namespace hostsim
