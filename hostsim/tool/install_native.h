// What `hostsim install` does through the operating system, one implementation per system
// (install_native_posix.cc, install_native_win32.cc): the extra libraries an installation needs
// beside the modules, the product version of the program file, and the registration that tells
// radlyn where Morlund is.
#pragma once

#include <string>
#include <vector>

#include "platform/program_file.h"

namespace hostsim {

inline constexpr const char* kLocalServerKey =
    "CLSID\\{5C3E9A41-72D0-4B8E-9F16-2A7D40C1E853}\\LocalServer32";

// File names, in the build's files folder, of the libraries the modules need beside them.
std::vector<std::string> SupportLibraries();

// Makes `version` the product version of the program file `path` (native).
bool StampProductVersion(const std::string& path, const radlyn::platform::ProductVersion& version,
                         std::string* error);

// Registers `program` (native, absolute) as the program file of Morlund's automation server, the
// LocalServer32 value through which radlyn finds the Morlund folder.
bool RegisterInstallation(const std::string& program, std::string* error);

}  // namespace hostsim
