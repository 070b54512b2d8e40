// Morlund's modules and version as a support check sees them, through the same module
// descriptions and the same steps as LoadMorlundLink, but without the host link and without
// messages: each module is loaded from the Morlund folder, its exports are looked up, its version
// test is called (which shows its calling convention), and it is released again. FDB_Open is not
// called (it would open Morlund's configuration database).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "hostlink/module_convention.h"
#include "support/module_version.h"

namespace radlyn {

// The oldest Morlund that Radlyn works with.
inline constexpr const char* kRequiredMorlundVersion = "7.0";

struct ModuleProbe {
  std::string file;  // "mofiledb.dll" (".so" on Linux)
  std::string path;
  bool present = false;
  bool loaded = false;
  std::vector<std::string> missing_exports;
  // The calling convention its version test showed (kUnsupported: the module is not loadable).
  ModuleConvention convention = ModuleConvention::kUnknown;
  // The module's answer to its version test; none when it was not asked (not loaded, an export
  // missing) or its convention is unsupported.
  std::optional<bool> version_accepted;
};

// Told of each module as the probe starts on it (its file name) and as it is done with it, so
// that a caller can name the module that never came back.
struct ModuleProbeSteps {
  std::function<void(const std::string& file)> starting;
  std::function<void(const ModuleProbe& probe)> finished;
};

// In load order; none without a Morlund folder.
std::vector<ModuleProbe> ProbeMorlundModules(const ModuleProbeSteps& steps = {});

// The product version of Morlund's program file in the folder (the Morlund folder); 0.0.0.0 when
// it is missing or carries none.
CModuleVersion ReadMorlundVersion(const std::string& folder);
bool IsMorlundVersionAccepted(const CModuleVersion& version);

}  // namespace radlyn
