// How clients find the two servers of an installation (ng_classes.h), one implementation per
// system, called by the installation of the newer generation (ng_install.h):
//
// Linux (ng_register_posix.cc): DIR/dbus-services/<ProgID>.service for bus activation
//   (Exec=DIR/hostsim-ngserver PluginServer) and DIR/dbus-session.conf, a private session bus
//   whose service folder that is. These are files of the installation; they are always written.
// Windows (ng_register_win32.cc): in HKEY_CLASSES_ROOT, each programmatic name with its CLSID,
//   and each CLSID with its ProgID and its LocalServer32 command, the quoted server program
//   followed by the server's name ("Z:\m\hostsim-ngserver.exe" PluginServer); COM adds
//   -Embedding when it starts the server. Left out when `in_registry` is false.
#pragma once

#include <filesystem>
#include <string>

namespace hostsim {

// `folder` is the installation folder, `server_program` the server's program file in it.
bool RegisterNgServers(const std::filesystem::path& folder, const std::string& server_program,
                       bool in_registry, std::string* error);

}  // namespace hostsim
