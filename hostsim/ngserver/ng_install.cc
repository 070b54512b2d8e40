#include "ngserver/ng_install.h"

#include <filesystem>
#include <system_error>

#include "core/install_files.h"
#include "core/switches.h"
#include "ngserver/ng_register.h"
#include "ngserver/ng_switches.h"
#include "platform/paths.h"

namespace hostsim {
namespace {

namespace fs = std::filesystem;

constexpr const char* kServerProgram = "hostsim-ngserver";
constexpr const char* kOrbelProgram = "orbel";

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
                          bool register_servers, std::string* error) {
  const fs::path folder(install_folder);
  const std::string dir = radlyn::platform::WithTrailingSeparator(folder.string());
  const std::string suffix = radlyn::platform::kProgramFileSuffix;
  const std::string server = kServerProgram + suffix;
  const std::string orbel = kOrbelProgram + suffix;

  if (!CopyInstallFile(fs::path(files_folder) / server, folder / server, error) ||
      !CopyInstallFile(fs::path(files_folder) / orbel, folder / orbel, error)) {
    return false;
  }

  std::error_code code;
  fs::create_directories(folder / "OrbelData" / "TEMP", code);
  if (code) {
    *error = "cannot create the folders of the newer generation in " + dir;
    return false;
  }
  return RegisterNgServers(folder, dir + server, register_servers, error) &&
         WriteOrbelConfig((folder / "OrbelData" / "Config.xml").string(), kDefaultOrbelFilter,
                          false, error) &&
         WriteInstallFile(folder / kSwitchFileName,
                          SwitchSectionsText(NewGenerationSwitches(), dir), error, /*append=*/true);
}

}  // namespace hostsim
