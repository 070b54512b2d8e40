#include <system_error>

#include "core/install_files.h"
#include "ngserver/ng_classes.h"
#include "ngserver/ng_register.h"

namespace hostsim {
namespace {

namespace fs = std::filesystem;

constexpr const char* kServicesFolder = "dbus-services";
constexpr const char* kBusConfig = "dbus-session.conf";

std::string BusConfig(const fs::path& services) {
  return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<!-- A private session bus for this hostsim installation. -->\n"
         "<busconfig>\n"
         "  <type>session</type>\n"
         "  <listen>unix:tmpdir=/tmp</listen>\n"
         "  <auth>EXTERNAL</auth>\n"
         "  <servicedir>" +
         services.string() +
         "</servicedir>\n"
         "  <policy context=\"default\">\n"
         "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
         "    <allow eavesdrop=\"true\"/>\n"
         "    <allow own=\"*\"/>\n"
         "  </policy>\n"
         "</busconfig>\n";
}

}  // namespace

bool RegisterNgServers(const fs::path& folder, const std::string& server_program,
                       bool /*in_registry*/, std::string* error) {
  std::error_code code;
  const fs::path services = folder / kServicesFolder;
  fs::create_directories(services, code);
  if (code) {
    *error = "cannot create the folder " + services.string();
    return false;
  }
  for (const NgClass& entry : kNgClasses) {
    const std::string service = "[D-BUS Service]\nName=" + std::string(entry.prog_id) +
                                "\nExec=" + server_program + " " + entry.server + "\n";
    if (!WriteInstallFile(services / (std::string(entry.prog_id) + ".service"), service, error)) {
      return false;
    }
  }
  return WriteInstallFile(folder / kBusConfig, BusConfig(services), error);
}

}  // namespace hostsim
