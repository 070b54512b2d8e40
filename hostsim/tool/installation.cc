#include "installation.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "core/call_log.h"
#include "core/install_files.h"
#include "core/switches.h"
#include "install_native.h"
#include "platform/paths.h"
#ifdef HOSTSIM_NEW_GENERATION
#include "ngserver/ng_install.h"
#endif

namespace hostsim {

namespace fs = std::filesystem;

namespace {

const std::string kProgram = std::string("morlund") + radlyn::platform::kProgramFileSuffix;

// Morlund's own settings, as a workstation has them (CR LF line ends).
constexpr const char* kMorlundIni =
    "; Morlund settings (hostsim installation).\r\n"
    "; Keys are read per take type: Key_<take type without blanks>, then Key_<image type>,\r\n"
    "; then Key (see hostsim/README.md), e.g. FilterClass_12XI=1 or FilterClass_XI=1.\r\n"
    "[AutoPost]\r\n"
    "AutoPost=1\r\n"
    "FilterClass=0\r\n"
    ";FilterClass1=3\r\n"
    ";WWE=1,8000,100,2000,60\r\n";

constexpr const char* kMofiledbIni =
    "; Morlund database settings (hostsim installation), read per take type as morlund.ini.\r\n"
    "[Take]\r\n"
    "SetLRLabel=0\r\n"
    "SetLRLabel_XI=1\r\n";

constexpr const char* kDatabase =
    "MORLUND-CONFIGURATION-DATABASE 1\r\n"
    "; hostsim: FDB_Open checks that this file exists and starts with the line above.\r\n";

// hostsim.ini as install writes it: every switch with its comment and default.
std::string SwitchFileText(const fs::path& folder) {
  return "; hostsim run-time switches, read at every call into a module (see hostsim/README.md).\n"
         "; Every switch is listed with its default value.\n" +
         SwitchSectionsText(AllSwitches(), folder.string());
}

bool Contains(const std::vector<std::string>& list, const std::string& name) {
  auto same = [&](const std::string& item) {
    return std::equal(item.begin(), item.end(), name.begin(), name.end(), [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) ==
             std::tolower(static_cast<unsigned char>(b));
    });
  };
  return std::any_of(list.begin(), list.end(), same);
}

// The file to install for a module: the full module, or the variant built without one export.
bool ModuleSource(const InstallOptions& options, const ModuleFile& module, fs::path* source,
                  std::string* error) {
  std::string stem = fs::path(module.file).stem().string();
  std::vector<std::string> lacking;
  for (const char* name : module.exports) {
    if (Contains(options.lacking_exports, name)) lacking.push_back(name);
  }
  if (lacking.size() > 1) {
    *error = "only one export of " + std::string(module.name) + " can be left out";
    return false;
  }
  const bool cdecl_build = Contains(options.cdecl_modules, "all") ||
                           Contains(options.cdecl_modules, module.name) ||
                           Contains(options.cdecl_modules, stem);
  if (cdecl_build && !lacking.empty()) {
    *error = "the cdecl build of " + std::string(module.name) + " lacks no export";
    return false;
  }
  if (cdecl_build) {
    *source = fs::path(options.files_folder) / "cdecl" / module.file;
    if (!fs::exists(*source)) {
      *error = "no cdecl build of " + std::string(module.name) + " on this platform";
      return false;
    }
  } else if (lacking.empty()) {
    *source = fs::path(options.files_folder) / module.file;
  } else {
    *source = fs::path(options.files_folder) / "variants" /
              (stem + "-without-" + lacking[0] + radlyn::platform::kLibraryFileSuffix);
  }
  return true;
}

}  // namespace

const std::vector<ModuleFile>& ModuleFiles() {
  const std::string suffix = radlyn::platform::kLibraryFileSuffix;
  static const std::vector<ModuleFile> kModules = {
      {"MoFileDB", "mofiledb" + suffix, {"FDB_Open", "FDB_Close", "FDB_CheckVersion"}},
      {"MoModCh", "momodch" + suffix, {"MC_TakeImage", "MC_CheckVersion"}},
      {"MoGrfMan",
       "mogrfman" + suffix,
       {"MGM_LRMarker", "MGM_SetMark", "MGM_CheckVersion", "MGM_FilterEx"}},
      {"MoUtil",
       "moutil" + suffix,
       {"UTL_InitMark", "UTL_GetLogo", "UTL_SetLogo", "UTL_SetVersion", "UTL_CheckVersion",
        "IsDate", "UTL_GetPrivateProfileIntTakeType", "UTL_GetPrivateProfileStringTakeType"}},
      {"MoFileIO",
       "mofileio" + suffix,
       {"FIO_CreateImageFile", "FIO_CheckVersion", "FIO_ImportImageFile"}},
  };
  return kModules;
}

bool Install(const InstallOptions& options, std::string* error) {
  for (const std::string& name : options.lacking_exports) {
    bool known = false;
    for (const ModuleFile& module : ModuleFiles()) {
      for (const char* export_name : module.exports) known = known || name == export_name;
    }
    if (!known) {
      *error = "unknown export " + name;
      return false;
    }
  }
  for (const std::string& name : options.cdecl_modules) {
    bool known = name == "all" ||
                 std::any_of(ModuleFiles().begin(), ModuleFiles().end(), [&](const ModuleFile& m) {
                   return Contains({m.name, fs::path(m.file).stem().string()}, name);
                 });
    if (!known) {
      *error = "unknown module " + name;
      return false;
    }
  }
  for (const std::string& name : options.without_modules) {
    bool known = std::any_of(ModuleFiles().begin(), ModuleFiles().end(), [&](const ModuleFile& m) {
      return Contains({m.name, fs::path(m.file).stem().string(), m.file}, name);
    });
    if (!known) {
      *error = "unknown module " + name;
      return false;
    }
  }

  std::error_code code;
  fs::create_directories(options.folder, code);
  fs::path folder = fs::canonical(options.folder, code);
  if (code) {
    *error = "cannot create the folder " + options.folder;
    return false;
  }

  for (const ModuleFile& module : ModuleFiles()) {
    std::string stem = fs::path(module.file).stem().string();
    bool left_out = Contains(options.without_modules, module.name) ||
                    Contains(options.without_modules, stem) ||
                    Contains(options.without_modules, module.file);
    fs::remove(folder / module.file, code);
    if (left_out) continue;
    fs::path source;
    if (!ModuleSource(options, module, &source, error) ||
        !CopyInstallFile(source, folder / module.file, error)) {
      return false;
    }
  }
  for (const std::string& library : SupportLibraries()) {
    if (!CopyInstallFile(fs::path(options.files_folder) / library, folder / library, error))
      return false;
  }

  fs::remove(folder / kProgram, code);
  if (options.with_morlund) {
    if (!CopyInstallFile(fs::path(options.files_folder) / kProgram, folder / kProgram, error))
      return false;
    if (options.version &&
        !StampProductVersion((folder / kProgram).string(), *options.version, error)) {
      return false;
    }
  }

  if (!WriteInstallFile(folder / "morlund.ini", kMorlundIni, error) ||
      !WriteInstallFile(folder / "mofiledb.ini", kMofiledbIni, error) ||
      !WriteInstallFile(folder / "morlund.db", kDatabase, error) ||
      !WriteInstallFile(folder / kSwitchFileName, SwitchFileText(folder), error) ||
      !WriteInstallFile(folder / kCallLogName, "", error)) {
    return false;
  }
#ifdef HOSTSIM_NEW_GENERATION
  if (!InstallNewGeneration(folder.string(), options.files_folder, options.register_folder, error))
    return false;
#endif

  return !options.register_folder || RegisterInstallation((folder / kProgram).string(), error);
}

}  // namespace hostsim
