#include "ngserver/ng_install.h"

#include <filesystem>
#include <fstream>
#include <system_error>

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

bool WriteFile(const fs::path& path, const std::string& content, std::ios::openmode mode,
               std::string* error) {
  std::ofstream out(path, std::ios::binary | mode);
  out << content;
  out.close();
  if (!out) {
    *error = "cannot write " + path.string();
    return false;
  }
  return true;
}

bool CopyProgram(const fs::path& from, const fs::path& to, std::string* error) {
  std::error_code code;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, code);
  if (code) {
    *error = "cannot copy " + from.string() + " to " + to.string() + ": " + code.message();
    return false;
  }
  return true;
}

std::string SwitchSections(const std::string& folder) {
  std::string text;
  std::string section;
  for (const SwitchEntry& entry : NewGenerationSwitches()) {
    if (section != entry.section) {
      section = entry.section;
      text += "\n[" + section + "]\n";
    }
    text += std::string("; ") + entry.comment + "\n";
    text += std::string(entry.key) + "=" + SwitchDefaultFor(entry, folder) + "\n";
  }
  return text;
}

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
  return WriteFile(path, bytes, std::ios::trunc, error);
}

bool InstallNewGeneration(const std::string& install_folder, const std::string& files_folder,
                          std::string* error) {
  const fs::path folder(install_folder);
  std::string dir = folder.string();
  if (dir.empty() || dir.back() != '/') dir.push_back('/');

  if (!CopyProgram(fs::path(files_folder) / kServerProgram, folder / kServerProgram, error) ||
      !CopyProgram(fs::path(files_folder) / kOrbelProgram, folder / kOrbelProgram, error)) {
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
    if (!WriteFile(services / (name + ".service"), service, std::ios::trunc, error)) return false;
  }
  return WriteFile(folder / kBusConfig, BusConfig(services), std::ios::trunc, error) &&
         WriteOrbelConfig((folder / "OrbelData" / "Config.xml").string(), kDefaultOrbelFilter,
                          false, error) &&
         WriteFile(folder / kSwitchFileName, SwitchSections(dir), std::ios::app, error);
}

}  // namespace hostsim
