// The Linux class registration tree: an INI file (UTF-8) whose sections are key paths and whose
// key "@" holds a key's default value. Section names compare without regard to case, `\` and
// `/` being the same separator. Its path comes from RADLYN_REGISTRY, else
// /etc/radlyn/registry.ini. Besides the Registry service (read access), hostsim registers its
// installation here.
#pragma once

#include <string>
#include <string_view>

namespace radlyn::platform {

// The native path of the registry file.
std::string RegistryFilePath();

// Whether two key paths name the same key.
bool SameRegistryKey(std::string_view a, std::string_view b);

// Sets the default value of `key_path` (native UTF-8 texts), creating the file (not its folder)
// and the key when missing; the file is replaced atomically. False when it cannot be written.
bool WriteClassesRootDefault(std::string_view key_path, std::string_view value);

}  // namespace radlyn::platform
