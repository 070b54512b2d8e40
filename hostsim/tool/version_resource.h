// The version resource of a Windows program file (a VS_VERSIONINFO block) as hostsim stamps it
// into its morlund.exe: the fixed part with file and product version, the strings
// FileDescription, FileVersion, ProductName and ProductVersion (U.S. English, Unicode) and the
// translation they are filed under.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/program_file.h"

namespace hostsim {

std::vector<std::uint8_t> VersionResource(const radlyn::platform::ProductVersion& version);

}  // namespace hostsim
