// `hostsim install DIR`: lays out a complete simulated Morlund installation in DIR and registers
// it as the LocalServer32 value of Morlund's automation server (in the registry file on Linux, in
// HKEY_CLASSES_ROOT on Windows).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/program_file.h"

namespace hostsim {

struct InstallOptions {
  std::string folder;
  std::string files_folder;  // where the build put modules and program
  std::optional<radlyn::platform::ProductVersion> version;  // default: as built (7.0.0.0)
  bool with_morlund = true;
  std::vector<std::string> without_modules;  // module names, e.g. MoGrfMan
  std::vector<std::string> lacking_exports;  // e.g. FIO_ImportImageFile
  // Modules installed in their cdecl build (Windows; "all" for every one), e.g. MoGrfMan.
  std::vector<std::string> cdecl_modules;
  bool register_folder = true;
};

// The module files and their exports, in Morlund's load order.
struct ModuleFile {
  const char* name;  // MoFileDB
  std::string file;  // mofiledb.so (Linux), mofiledb.dll (Windows)
  std::vector<const char*> exports;
};
const std::vector<ModuleFile>& ModuleFiles();

// Lays the installation out; on failure, a message for the user in `error`.
bool Install(const InstallOptions& options, std::string* error);

}  // namespace hostsim
