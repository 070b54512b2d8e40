// Linux: the modules find the shared memory-block library beside them; the version is the stamp
// in the program file's ELF section; the registry is radlyn's registry file, where the value
// names the program file alone ('/' cannot introduce an argument there).
#include "install_native.h"
#include "platform/posix/product_version_file.h"
#include "platform/posix/registry_file.h"

namespace hostsim {

std::vector<std::string> SupportLibraries() { return {"libradlyn_globalmem.so"}; }

bool StampProductVersion(const std::string& path, const radlyn::platform::ProductVersion& version,
                         std::string* error) {
  if (radlyn::platform::WriteProductVersion(path, version)) return true;
  *error = "cannot stamp the version into " + path;
  return false;
}

bool RegisterInstallation(const std::string& program, std::string* error) {
  if (radlyn::platform::WriteClassesRootDefault(kLocalServerKey, program)) return true;
  *error = "cannot write the registry file " + radlyn::platform::RegistryFilePath();
  return false;
}

}  // namespace hostsim
