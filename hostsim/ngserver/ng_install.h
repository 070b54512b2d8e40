// The newer Morlund generation in a hostsim installation, laid out by `hostsim install`:
//
//   DIR/hostsim-ngserver          the plug-in server and the options manager (one program;
//                                 hostsim-ngserver.exe on Windows)
//   DIR/orbel                     the Orbel program (the plug-in's ProgramPath; orbel.exe)
//   the servers' registration     (ng_register.h) Linux: DIR/dbus-services/*.service and
//                                 DIR/dbus-session.conf, a private session bus offering them:
//                                 dbus-daemon --config-file=DIR/dbus-session.conf --print-address
//                                 Windows: the classes and LocalServer32 keys in the registry
//   DIR/OrbelData/Config.xml      Orbel's configuration with the filter (8-bit text)
//   DIR/OrbelData/TEMP/           Orbel's working folder (empty)
//   hostsim.ini                   gains the sections PluginServer, OptionsManager and Orbel
//
// WriteOrbelConfig writes a Config.xml with one filter attribute, as 8-bit text or as UTF-16LE
// with its byte-order mark (`hostsim-orbel-config` offers it on the command line).
#pragma once

#include <string>

namespace hostsim {

inline constexpr const char* kDefaultOrbelFilter = "??XI";

// `folder` is the installation folder, `files_folder` where the build put the programs;
// `register_servers` false leaves the registry alone (Windows).
bool InstallNewGeneration(const std::string& folder, const std::string& files_folder,
                          bool register_servers, std::string* error);

bool WriteOrbelConfig(const std::string& path, const std::string& filter, bool utf16,
                      std::string* error);

}  // namespace hostsim
