// LoadMorlundLink and UnloadMorlundLink: Morlund's five modules, described once as data (file,
// exports, version argument, messages) and loaded, tested and released from that description.
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "hostlink/module_probe.h"
#include "hostlink/morlund_folder.h"
#include "hostlink/morlund_link.h"
#include "hostlink/status_maps.h"
#include "platform/crash_report.h"
#include "platform/debug_output.h"
#include "platform/dynamic_library.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/ui.h"
#include "resources/string_table.h"
#include "support/error_numbers.h"
#include "support/event_log.h"
#include "support/module_version.h"

namespace radlyn {
namespace {

// The five _CheckVersion functions share one shape.
using CheckVersion_t = ModuleFunction<FDB_CheckVersion_f>;
static_assert(std::is_same_v<FDB_CheckVersion_f, MC_CheckVersion_f> &&
              std::is_same_v<FDB_CheckVersion_f, MGM_CheckVersion_f> &&
              std::is_same_v<FDB_CheckVersion_f, UTL_CheckVersion_f> &&
              std::is_same_v<FDB_CheckVersion_f, FIO_CheckVersion_f>);

// One export: its name and where its address goes in the module table.
struct ExportSlot {
  const char* name;
  void (*store)(ModuleTable& table, void* address, ModuleCalls* module);
};

template <auto Entry>
void StoreExport(ModuleTable& table, void* address, ModuleCalls* module) {
  (table.*Entry).Bind(address, module);
}

template <auto Entry>
constexpr ExportSlot Slot(const char* name) {
  return {name, &StoreExport<Entry>};
}

constexpr ExportSlot kMoFileDbExports[] = {
    Slot<&ModuleTable::FDB_Open>("FDB_Open"),
    Slot<&ModuleTable::FDB_Close>("FDB_Close"),
    Slot<&ModuleTable::FDB_CheckVersion>("FDB_CheckVersion"),
};
constexpr ExportSlot kMoModChExports[] = {
    Slot<&ModuleTable::MC_TakeImage>("MC_TakeImage"),
    Slot<&ModuleTable::MC_CheckVersion>("MC_CheckVersion"),
};
constexpr ExportSlot kMoGrfManExports[] = {
    Slot<&ModuleTable::MGM_LRMarker>("MGM_LRMarker"),
    Slot<&ModuleTable::MGM_SetMark>("MGM_SetMark"),
    Slot<&ModuleTable::MGM_CheckVersion>("MGM_CheckVersion"),
    Slot<&ModuleTable::MGM_FilterEx>("MGM_FilterEx"),
};
constexpr ExportSlot kMoUtilExports[] = {
    Slot<&ModuleTable::UTL_InitMark>("UTL_InitMark"),
    Slot<&ModuleTable::UTL_GetLogo>("UTL_GetLogo"),
    Slot<&ModuleTable::UTL_SetLogo>("UTL_SetLogo"),
    Slot<&ModuleTable::UTL_SetVersion>("UTL_SetVersion"),
    Slot<&ModuleTable::UTL_CheckVersion>("UTL_CheckVersion"),
    Slot<&ModuleTable::IsDate>("IsDate"),
    Slot<&ModuleTable::UTL_GetPrivateProfileIntTakeType>("UTL_GetPrivateProfileIntTakeType"),
    Slot<&ModuleTable::UTL_GetPrivateProfileStringTakeType>("UTL_GetPrivateProfileStringTakeType"),
};
constexpr ExportSlot kMoFileIoExports[] = {
    Slot<&ModuleTable::FIO_CreateImageFile>("FIO_CreateImageFile"),
    Slot<&ModuleTable::FIO_CheckVersion>("FIO_CheckVersion"),
    Slot<&ModuleTable::FIO_ImportImageFile>("FIO_ImportImageFile"),
};

struct ModuleDescription {
  const char* file_stem;  // the library suffix of the platform follows
  platform::LibraryHandle ModuleTable::*handle;
  ModuleCalls ModuleTable::*calls;
  const ExportSlot* exports;
  std::size_t export_count;
  CheckVersion_t ModuleTable::*check_version;
  std::uint32_t version_argument;
  const char* not_found_message;  // nullptr: a missing file counts as missing exports
  const char* not_loadable_text;
  const char* wrong_version_message;
  const char* wrong_version_text;
};

template <std::size_t N>
constexpr ModuleDescription Module(const char* stem, platform::LibraryHandle ModuleTable::*handle,
                                   ModuleCalls ModuleTable::*calls, const ExportSlot (&exports)[N],
                                   CheckVersion_t ModuleTable::*check, std::uint32_t version,
                                   const char* not_found, const char* not_loadable,
                                   const char* wrong_version_message,
                                   const char* wrong_version_text) {
  return {stem,
          handle,
          calls,
          exports,
          N,
          check,
          version,
          not_found,
          not_loadable,
          wrong_version_message,
          wrong_version_text};
}

// In load order.
enum ModuleIndex { kMoFileDb, kMoModCh, kMoGrfMan, kMoUtil, kMoFileIo };
constexpr ModuleDescription kModules[] = {
    Module("mofiledb", &ModuleTable::mofiledb, &ModuleTable::mofiledb_calls, kMoFileDbExports,
           &ModuleTable::FDB_CheckVersion, 0x201, "MoFileDB.dll not found",
           "LoadMorlundLink: MoFileDB not loadable", "Wrong version of MoFileDB.dll",
           "LoadMorlundLink: Wrong MoFileDB version"),
    Module("momodch", &ModuleTable::momodch, &ModuleTable::momodch_calls, kMoModChExports,
           &ModuleTable::MC_CheckVersion, 0x102, "MoModCh.dll not found",
           "LoadMorlundLink: MoModCh not loadable", "Wrong version of MoModCh.dll",
           "LoadMorlundLink: Wrong MoModCh version"),
    Module("mogrfman", &ModuleTable::mogrfman, &ModuleTable::mogrfman_calls, kMoGrfManExports,
           &ModuleTable::MGM_CheckVersion, 0x107, "MoGrfMan.dll not found",
           "LoadMorlundLink: MoGrfMan not loadable", "Wrong version of MoGrfMan.dll",
           "LoadMorlundLink: Wrong MoGrfMan version"),
    Module("moutil", &ModuleTable::moutil, &ModuleTable::moutil_calls, kMoUtilExports,
           &ModuleTable::UTL_CheckVersion, 0x109, "MoUtil.dll not found",
           "LoadMorlundLink: MoUtil not loadable", "Wrong version of MoUtil.dll",
           "LoadMorlundLink: Wrong MoUtil version"),
    Module("mofileio", &ModuleTable::mofileio, &ModuleTable::mofileio_calls, kMoFileIoExports,
           &ModuleTable::FIO_CheckVersion, 0x105, nullptr, "LoadMorlundLink: MoFileIO not loadable",
           "Wrong version of MoFileIO.dll", "LoadMorlundLink: Wrong MoFileIO version"),
};

// Release order. MoModCh is only forgotten, never released: it stays in the process until it
// ends, and a later load gets the same library again.
struct UnloadStep {
  ModuleIndex module;
  bool release;
};
constexpr UnloadStep kUnloadOrder[] = {
    {kMoModCh, false}, {kMoGrfMan, true}, {kMoFileDb, true}, {kMoFileIo, true}, {kMoUtil, true},
};

void ShowMessage(std::string_view text) { platform::GetUserInterface().ShowErrorMessage(text, ""); }

void ClearModule(ModuleTable& table, const ModuleDescription& module) {
  table.*module.handle = 0;
  (table.*module.calls).convention = ModuleConvention::kUnknown;
  (table.*module.calls).float_control_named = false;
  for (std::size_t i = 0; i < module.export_count; ++i) {
    module.exports[i].store(table, nullptr, nullptr);
  }
}

// Looks every export up; false when one is missing (those found stay in the table).
bool FindExports(ModuleTable& table, const ModuleDescription& module) {
  auto& libraries = platform::GetDynamicLibraries();
  bool complete = true;
  for (std::size_t i = 0; i < module.export_count; ++i) {
    void* address = libraries.FindExport(table.*module.handle, module.exports[i].name);
    module.exports[i].store(table, address, &(table.*module.calls));
    if (address == nullptr) complete = false;
  }
  return complete;
}

}  // namespace

bool CMorlundLink::LoadMorlundLink() {
  auto& files = platform::GetFileSystem();
  auto& libraries = platform::GetDynamicLibraries();
  const std::string previous_folder = files.CurrentFolder();
  // Modules are loaded by full path only: without a Morlund folder each is "not found", and
  // nothing is looked for in the current folder (the client's data folder, which practice users
  // may write to). With one, the libraries the modules load later are looked for in Morlund's
  // folder first for the rest of the process, as inside Morlund's own.
  const std::string folder = GetMorlundFolder();
  if (!folder.empty()) {
    files.SetCurrentFolder(platform::WithoutTrailingSeparator(folder));
    libraries.SetSearchFolder(folder);
  }

  bool result = true;
  for (const ModuleDescription& module : kModules) {
    if (modules_.*module.handle != 0) continue;  // loaded before: no new version test
    if (!folder.empty()) {
      modules_.*module.handle =
          libraries.Load(folder + module.file_stem + platform::kLibraryFileSuffix);
    }
    if (modules_.*module.handle == 0 && module.not_found_message != nullptr) {
      ShowMessage(module.not_found_message);
      result = false;
      continue;
    }
    if (modules_.*module.handle == 0 || !FindExports(modules_, module)) {
      SetError(kErrorMemory, module.not_loadable_text);
      result = false;
      continue;
    }
    const MorlundStatus accepted = (modules_.*module.check_version)(module.version_argument, 0);
    // The version check is each module's first call: it shows the calling convention.
    if ((modules_.*module.calls).convention == ModuleConvention::kUnsupported) {
      SetError(kErrorMemory, module.not_loadable_text);
      result = false;
      continue;
    }
    if (StatusWord(accepted) == 0) {
      ShowMessage(module.wrong_version_message);
      SetError(kErrorModule, module.wrong_version_text);
      result = false;
      continue;
    }
    if (&module == &kModules[kMoFileDb]) {
      const MorlundStatus status = modules_.FDB_Open();
      if (StatusWord(status) != 0) {
        ShowMessage("Morlund x-ray configuration database cannot be opened");
        SetError(MapFdbOpenStatus(status), "LoadMorlundLink: Error FDB_Open");
        result = false;
      }
    }
  }
  if (!folder.empty()) files.SetCurrentFolder(previous_folder);
  // A module's start-up may have put its own exception filter over Radlyn's, which would then
  // end a crashed job without its report.
  const platform::ForeignCrashFilter foreign = platform::ReinstallCrashReporter();
  if (foreign.found) {
    WriteEventLog(
        "Warning",
        "LoadMorlundLink: " + (foreign.module.empty() ? std::string("a module") : foreign.module) +
            " had put its own unhandled-exception filter in place; Radlyn's "
            "crash report is in place again");
  }

  product_name_ = "MORLUND";
  const CModuleVersion morlund_version = ReadMorlundVersion(folder);
  host_version_ = morlund_version.FormatShort();

  if (result) {
    if (!IsMorlundVersionAccepted(morlund_version)) {
      const std::string message =
          std::string(LoadResourceString(kIdsMorlundTooOld)) + kRequiredMorlundVersion;
      ShowMessage(message);
      SetError(kErrorModule, "LoadMorlundLink: " + message);
      result = false;
    }
  }
  if (!result) UnloadMorlundLink();
  return result;
}

CModuleVersion ReadMorlundVersion(const std::string& folder) {
  CModuleVersion version("0.0.0.0");
  version.ReadFromFile(folder + MorlundProgramFileName());
  return version;
}

bool IsMorlundVersionAccepted(const CModuleVersion& version) {
  CModuleVersion required("0.0.0.0");
  required.ParseText(kRequiredMorlundVersion);
  return !version.IsLessThan(required);
}

std::vector<ModuleProbe> ProbeMorlundModules(const ModuleProbeSteps& steps) {
  auto& files = platform::GetFileSystem();
  auto& libraries = platform::GetDynamicLibraries();
  const std::string folder = GetMorlundFolder();
  std::vector<ModuleProbe> probes;
  if (folder.empty()) return probes;  // modules are loaded by full path only
  const std::string previous_folder = files.CurrentFolder();
  files.SetCurrentFolder(platform::WithoutTrailingSeparator(folder));
  libraries.SetSearchFolder(folder);

  // A table of its own, so that a job's table is never touched.
  ModuleTable table;
  for (const ModuleDescription& module : kModules) {
    ModuleProbe probe;
    probe.file = std::string(module.file_stem) + platform::kLibraryFileSuffix;
    probe.path = folder + probe.file;
    if (steps.starting) steps.starting(probe.file);
    probe.present = files.Exists(probe.path);
    table.*module.handle = libraries.Load(probe.path);
    probe.loaded = table.*module.handle != 0;
    if (probe.loaded) {
      for (std::size_t i = 0; i < module.export_count; ++i) {
        if (libraries.FindExport(table.*module.handle, module.exports[i].name) == nullptr) {
          probe.missing_exports.emplace_back(module.exports[i].name);
        }
      }
    }
    if (probe.loaded && FindExports(table, module)) {
      // The version check is the module's first call: it shows the calling convention too.
      const MorlundStatus accepted = (table.*module.check_version)(module.version_argument, 0);
      probe.convention = (table.*module.calls).convention;
      if (probe.convention != ModuleConvention::kUnsupported) {
        probe.version_accepted = StatusWord(accepted) != 0;
      }
    }
    if (steps.finished) steps.finished(probe);
    probes.push_back(std::move(probe));
  }
  files.SetCurrentFolder(previous_folder);
  for (const UnloadStep& step : kUnloadOrder) {
    const ModuleDescription& module = kModules[step.module];
    if (step.release && table.*module.handle != 0) libraries.Release(table.*module.handle);
  }
  return probes;
}

void CMorlundLink::UnloadMorlundLink() {
  auto& libraries = platform::GetDynamicLibraries();
  for (const UnloadStep& step : kUnloadOrder) {
    const ModuleDescription& module = kModules[step.module];
    const platform::LibraryHandle handle = modules_.*module.handle;
    if (step.release && handle != 0) {
      if (step.module == kMoFileDb && modules_.FDB_Close != nullptr) modules_.FDB_Close();
      libraries.Release(handle);
    }
    ClearModule(modules_, module);
  }
}

}  // namespace radlyn
