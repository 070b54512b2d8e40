#include "ngserver/ng_install.h"

#include <filesystem>
#include <system_error>

#include "core/install_files.h"
#include "core/switches.h"
#include "ngserver/ng_switches.h"

namespace hostsim {
namespace {

namespace fs = std::filesystem;

constexpr const char* kServerProgram = "hostsim-ngserver";
constexpr const char* kOrbelProgram = "orbel";
constexpr const char* kServicesFolder = "dbus-services";
constexpr const char* kBusConfig = "dbus-session.conf";
constexpr const char* kServers[] = {"PluginServer", "OptionsManager"};

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

bool WriteOrbelConfig(const std::string& path, const std::string& filter, bool utf16,
                      std::string* error) {
  const std::string text =
      "<?xml version=\"1.0\"?>\r\n"
      "<OrbelConfiguration version=\"1.2\">\r\n"
      "  <Processing filter=\"" +
      filter +
      "\" sharpen=\"1\" watermark=\"ORBEL\"/>\r\n"
      "  <Workspace folder=\"TEMP\"/>\r\n"
      "</OrbelConfiguration>\r\n";
  std::string bytes;
  if (utf16) {
    bytes = "\xFF\xFE";
    for (char c : text) {  // the configuration is plain ASCII
      bytes.push_back(c);
      bytes.push_back('\0');
    }
  } else {
    bytes = text;
  }
  return WriteInstallFile(path, bytes, error);
}

bool InstallNewGeneration(const std::string& install_folder, const std::string& files_folder,
                          std::string* error) {
  const fs::path folder(install_folder);
  std::string dir = folder.string();
  if (dir.empty() || dir.back() != '/') dir.push_back('/');

  if (!CopyInstallFile(fs::path(files_folder) / kServerProgram, folder / kServerProgram, error) ||
      !CopyInstallFile(fs::path(files_folder) / kOrbelProgram, folder / kOrbelProgram, error)) {
    return false;
  }

  std::error_code code;
  const fs::path services = folder / kServicesFolder;
  fs::create_directories(services, code);
  fs::create_directories(folder / "OrbelData" / "TEMP", code);
  if (code) {
    *error = "cannot create the folders of the newer generation in " + dir;
    return false;
  }
  for (const char* server : kServers) {
    const std::string name = std::string("MORLUNDNG.") + server;
    const std::string service =
        "[D-BUS Service]\nName=" + name + "\nExec=" + dir + kServerProgram + " " + server + "\n";
    if (!WriteInstallFile(services / (name + ".service"), service, error)) return false;
  }
  return WriteInstallFile(folder / kBusConfig, BusConfig(services), error) &&
         WriteOrbelConfig((folder / "OrbelData" / "Config.xml").string(), kDefaultOrbelFilter,
                          false, error) &&
         WriteInstallFile(folder / kSwitchFileName,
                          SwitchSectionsText(NewGenerationSwitches(), dir), error, /*append=*/true);
}

}  // namespace hostsim
