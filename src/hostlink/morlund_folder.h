// GetMorlundFolder: the folder of the Morlund installation, ending with a separator, or empty
// text. Evaluated afresh at every call: the program path of Morlund's automation-server
// registration (LocalServer32's ServerExecutable value, else its default value, read as COM reads
// it: see morlund_folder.cc) up to and including its last separator, else the fixed folder when
// the Morlund program file lies there.
#pragma once

#include <string>
#include <string_view>

namespace radlyn {

std::string GetMorlundFolder();

// The file name of Morlund's program file ("morlund.exe" on Windows, "morlund" on Linux).
std::string MorlundProgramFileName();

// The registry key of Morlund's automation server and the fixed fallback folder.
inline constexpr std::string_view kMorlundServerKey =
    "CLSID\\{5C3E9A41-72D0-4B8E-9F16-2A7D40C1E853}\\LocalServer32";
#ifdef _WIN32
inline constexpr std::string_view kFixedMorlundFolder = "C:\\MORLUND\\";
#else
inline constexpr std::string_view kFixedMorlundFolder = "/opt/morlund/";
#endif

}  // namespace radlyn
