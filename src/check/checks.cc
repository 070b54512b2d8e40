#include "check/checks.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "check/probe_child.h"
#include "hostlink/module_probe.h"
#include "hostlink/morlund_folder.h"
#include "hostlink/orbel.h"
#include "hostlink/program_settings.h"
#include "job/job_files.h"
#include "platform/automation.h"
#include "platform/component_system.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "platform/workstation.h"
#include "platform/xml_parser.h"
#include "pluginserver/options_manager.h"
#include "pluginserver/orbel_plugin.h"
#include "pluginserver/plugin_server.h"
#include "support/event_log.h"
#include "support/module_version.h"

namespace radlyn::check {
namespace {

// A module that lacks a function or refuses Radlyn's interface version while Morlund's own version
// may well be right: the file is not the one of that installation.
constexpr std::string_view kForeignModule =
    "repair Morlund's installation: this module file does not belong to the Morlund version "
    "shown below (a copy from another version, or a damaged file)";
constexpr std::string_view kModuleBroken =
    "Morlund's installation does not fit Radlyn: no X-ray can be taken through Radlyn.";

std::string RadlynProgramFile() {
  return ProgramFolder() + "radlyn" + platform::kProgramFileSuffix;
}

void CheckRadlyn(Report& report) {
  const std::string path = RadlynProgramFile();
  CModuleVersion version;
  if (!platform::GetFileSystem().Exists(path)) {
    report.Fail("Radlyn program", "Radlyn's program is missing: the client cannot start any job.",
                path + " is missing", "repair the installation (msiexec /fa radlyn-<version>.msi)");
  } else if (version.ReadFromFile(path) == 0) {
    report.Add(Verdict::kWarn, "Radlyn program", path + " carries no version",
               "reinstall Radlyn from the signed package");
  } else {
    report.Add(Verdict::kInfo, "Radlyn program", path + ", version " + version.FormatParts(4));
  }
  const platform::SystemDescription system = platform::DescribeSystem();
  report.Add(Verdict::kInfo, "System", system.system + ", " + system.architecture);
}

std::string DescribeRegistration(platform::RegistryView view) {
  const auto value = platform::GetRegistry().ReadClassesRootDefaultInView(kMorlundServerKey, view);
  if (!value) return {};
  return value->is_string ? value->data : value->data + " (not a plain text value)";
}

// Answers the Morlund folder, empty when there is none.
std::string CheckMorlundFolder(Report& report) {
  const std::string key = "HKEY_CLASSES_ROOT\\" + std::string(kMorlundServerKey);
  const std::string in32 = DescribeRegistration(platform::RegistryView::k32Bit);
  const std::string in64 = DescribeRegistration(platform::RegistryView::k64Bit);
  report.Add(Verdict::kInfo, "Morlund registration, 32-bit view", in32.empty() ? "none" : in32);
  report.Add(Verdict::kInfo, "Morlund registration, 64-bit view", in64.empty() ? "none" : in64);

  const std::string folder = GetMorlundFolder();
  if (folder.empty()) {
    report.Fail("Morlund folder", "Radlyn cannot find Morlund: no X-ray can be taken.",
                "none (no registration, no " + std::string(kFixedMorlundFolder) +
                    MorlundProgramFileName() + ")",
                in64.empty() ? "install Morlund, or repair its installation so that it registers " +
                                   key + " in the 32-bit registry view"
                             : "Morlund is registered in the 64-bit view only: Radlyn, a 32-bit "
                               "program, reads the 32-bit view; repair Morlund's installation");
  } else if (!platform::GetFileSystem().FolderExists(folder)) {
    const std::string missing_root = DescribeMissingRoot(folder);
    report.Fail("Morlund folder",
                "Morlund's folder is gone although Morlund is still registered: every job fails at "
                "start-up.",
                folder + " (from the registration) does not exist" +
                    (missing_root.empty() ? std::string() : ": " + missing_root),
                "reinstall Morlund, or remove its leftover registration " + key);
    return {};
  } else if (in32.empty()) {
    report.Add(Verdict::kWarn, "Morlund folder",
               folder + " (the fixed folder: Morlund is not registered)",
               "repair Morlund's installation so that it registers " + key);
  } else {
    report.Add(Verdict::kOk, "Morlund folder", folder + " (from the registration)");
  }
  return folder;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

void CheckModules(Report& report, const std::string& folder, const std::string& program_path) {
  const ProbeOutcome outcome = ProbeModulesInChild(program_path);
  if (!outcome.started) {
    report.Add(Verdict::kWarn, "Modules", "the probe could not be started from " + program_path,
               "run the check again from the installed radlyn-check");
  }
  if (outcome.user_rights) {
    report.Add(Verdict::kInfo, "Modules",
               "probed with a normal user's rights (this check runs "
               "elevated)");
  }
  for (const ModuleProbe& probe : outcome.probes) {
    const std::string item = "Module " + probe.file;
    const std::string convention =
        std::string(", calling convention ") + ConventionName(probe.convention);
    if (!probe.present) {
      report.Fail(item, kModuleBroken, probe.path + " is missing", "repair Morlund's installation");
    } else if (!probe.loaded) {
      report.Fail(item, kModuleBroken, probe.path + " found but cannot be loaded",
                  "repair Morlund's installation (a module it needs may be missing)");
    } else if (!probe.missing_exports.empty()) {
      report.Fail(item, kModuleBroken, "lacks " + Joined(probe.missing_exports), kForeignModule);
    } else if (probe.convention == ModuleConvention::kUnsupported) {
      report.Fail(item, kModuleBroken, "loaded, exports present" + convention,
                  "install a Morlund version Radlyn supports");
    } else if (!probe.version_accepted.value_or(false)) {
      report.Fail(item, kModuleBroken, "loaded, exports present, version refused" + convention,
                  kForeignModule);
    } else {
      report.Add(Verdict::kOk, item, "loaded, exports present, version accepted" + convention);
    }
  }
  if (!outcome.stopped_at.empty()) {
    const std::string how =
        outcome.timed_out
            ? "did not come back within " + std::to_string(kProbeLimitMs / 1000) + " s"
            : "crashed the probe (exit code " +
                  (outcome.exit_code ? std::to_string(*outcome.exit_code)
                                     : std::string("unknown")) +
                  ")";
    report.Fail("Module " + outcome.stopped_at,
                "A Morlund module crashes or hangs when it is loaded: jobs fail or hang.",
                "loading it and asking for its version " + how,
                "repair Morlund's installation; send this report to Morlund's support");
  }
  const CModuleVersion version = ReadMorlundVersion(folder);
  if (IsMorlundVersionAccepted(version)) {
    report.Add(Verdict::kOk, "Morlund version", version.FormatParts(4));
  } else {
    report.Fail("Morlund version",
                "Morlund is missing or too old for Radlyn: jobs fail at start-up.",
                version.FormatParts(4) + " (" + MorlundProgramFileName() +
                    " missing or older than " + kRequiredMorlundVersion + ")",
                "install Morlund " + std::string(kRequiredMorlundVersion) + " or later");
  }
}

// Whether images of the data folder's job get Morlund's automatic filters without an XML parser:
// the job asks for none, or Orbel processes its take type (Orbel's processing stands in for them).
std::string WithoutParser(const std::string& data_folder) {
  const std::string job_file = data_folder + kJobFileName;
  if (!data_folder.empty() && platform::GetFileSystem().Exists(job_file)) {
    if (ReadProfileInt(kDoAutoPostProcKey, job_file) == 0) {
      return "the data folder's job asks for no automatic filters (fDoAutoPostProc=0)";
    }
    const std::string take_type = ReadProfileText(kTakeTypeKey, job_file);
    if (!GetOrbelPluginPath().empty() && IsTakeTypeInOrbelFilter(take_type, GetOrbelDataFolder())) {
      return "Orbel processes the images of the data folder's job (take type " + take_type +
             "), which need no parser";
    }
  }
  return {};
}

void CheckParsers(Report& report, const std::string& data_folder) {
  auto& parser = platform::GetXmlParser();
  const std::string names = parser.Name();
  bool any = false;
  std::size_t start = 0;
  while (start <= names.size()) {
    const std::size_t end = std::min(names.find(", ", start), names.size());
    const std::string name = names.substr(start, end - start);
    const bool present = parser.CreateDocumentOf(name) != nullptr;
    any = any || present;
    report.Add(Verdict::kInfo, "XML parser " + name, present ? "present" : "not present");
    start = end + 2;
  }
  bool orbel_registered = false;
  for (const char* prog_id : {kPluginServerProgId, kOptionsManagerProgId}) {
    const bool registered = platform::GetAutomation().IsClassRegistered(prog_id);
    // Orbel is found through the plug-in server alone.
    if (std::string_view(prog_id) == kPluginServerProgId) orbel_registered = registered;
    report.Add(Verdict::kInfo, std::string("Server ") + prog_id,
               registered ? "registered" : "not registered (Orbel is not used)");
  }
  if (any) return;
  const std::string spared = orbel_registered ? WithoutParser(data_folder) : std::string();
  if (!spared.empty()) {
    report.Add(Verdict::kInfo, "XML parser", "none can be created; " + spared);
  } else {
    report.Add(
        Verdict::kWarn, "XML parser", "none can be created",
        std::string("repair Windows' MSXML 6.0 (or install MSXML 4.0): without it the images ") +
            (orbel_registered ? "that Orbel does not process " : "") +
            "miss Morlund's automatic filters");
  }
}

void CheckDataFolder(Report& report, const CheckSubject& subject) {
  const std::string& folder = subject.data_folder;
  const std::string shown =
      subject.data_folder_text.empty() ? folder + " (Radlyn's default: no datapath given)" : folder;
  auto& files = platform::GetFileSystem();
  const std::string missing_root = folder.empty() ? std::string() : DescribeMissingRoot(folder);
  if (folder.empty()) {
    report.Fail("Data folder", "The client names a data folder Radlyn cannot use: jobs fail.",
                subject.data_folder_text + " is longer than 259 characters after expansion",
                "correct the client's datapath");
  } else if (!missing_root.empty()) {
    report.Fail("Data folder",
                "The data folder is on a drive or share that is not connected: Radlyn shows an "
                "information dialog instead of taking the X-ray.",
                shown + ": " + missing_root, "connect it again, or correct the client's datapath");
  } else if (!files.FolderExists(folder)) {
    report.Fail("Data folder",
                "The data folder does not exist: Radlyn shows an information dialog instead of "
                "taking the X-ray.",
                shown + " does not exist", "create it, or correct the client's datapath");
  } else if (!FolderWritable(folder)) {
    report.Fail("Data folder", "Radlyn may not write its results into the data folder: jobs fail.",
                shown + " is not writable by this user", "grant write access to it for this user");
  } else {
    report.Add(Verdict::kOk, "Data folder", shown + " is writable");
  }
  if (folder.empty() || !files.FolderExists(folder)) return;
  const platform::FolderAccess access = platform::DescribeOthersWriteAccess(folder);
  if (!access.known) {
    report.Add(Verdict::kInfo, "Data folder access", "who else may write it cannot be read");
  } else if (access.others_may_write) {
    report.Add(Verdict::kWarn, "Data folder access",
               folder + " can be written by " + access.granted_to,
               "other users of this workstation can change or replace the jobs there (and the "
               "patients they name): use a folder of this user's own");
  }
  CheckJob(report, folder);
}

void CheckEventLog(Report& report, const std::string& morlund_folder, bool registered) {
  const EventLogFolderSource previous = SetEventLogFolderSource(&GetMorlundFolder);
  const std::string log = GetEventLogPath();
  SetEventLogFolderSource(previous);
  auto& files = platform::GetFileSystem();
  if (morlund_folder.empty()) {
    // A registered folder that is gone has its own FAIL: no advice on top.
    report.Add(registered ? Verdict::kInfo : Verdict::kWarn, "Event log",
               registered ? "Morlund's folder is gone: Radlyn's lines go to the debug output"
                          : "no Morlund folder: Radlyn writes " + log +
                                " into the client's current folder",
               registered ? "" : "install or register Morlund");
    return;
  }
  if (!files.Exists(log)) {
    // Never created here: the first job creates it.
    if (FolderWritable(morlund_folder)) {
      report.Add(Verdict::kOk, "Event log", log + " does not exist yet; the first job creates it");
    } else {
      report.Add(Verdict::kWarn, "Event log",
                 log + " does not exist and cannot be created by this user",
                 "grant write access to Morlund's folder for this user; until then Radlyn's "
                 "lines go to the debug output");
    }
    return;
  }
  // An empty append opens the existing log as every writer does, and adds nothing.
  if (files.AppendToFile(log, "")) {
    report.Add(Verdict::kOk, "Event log", log + " is writable");
  } else {
    report.Add(Verdict::kWarn, "Event log", log + " is not writable by this user",
               "grant write access to it for this user; until then Radlyn's lines go to the "
               "debug output");
  }
  CheckEventLogTail(report, log);
}

void CheckTemporaryFolder(Report& report) {
  const std::string temp = platform::GetFileSystem().TempFolder();
  if (FolderWritable(temp)) {
    report.Add(Verdict::kOk, "Temporary folder", temp + " is writable");
  } else {
    report.Add(Verdict::kWarn, "Temporary folder", temp + " is not writable",
               "correct the user's TEMP variable: Orbel's processing needs it");
  }
}

}  // namespace

bool FolderWritable(const std::string& folder) {
  // A probe file is made by name: Wine's GetTempFileName reports success in a folder where it
  // could create nothing.
  auto& files = platform::GetFileSystem();
  const std::string probe = platform::WithTrailingSeparator(folder) + "radlyn-check.probe";
  files.DeleteFile(probe);
  if (!files.CreateNewFile(probe)) return false;
  files.DeleteFile(probe);
  return true;
}

void RunChecks(Report& report, const CheckSubject& subject) {
  CheckRadlyn(report);
  CheckSettings(report);
  CheckRunningRadlyn(report, RadlynProgramFile());
  const bool registered =
      platform::GetRegistry().ReadClassesRootDefault(kMorlundServerKey).has_value();
  const std::string morlund_folder = CheckMorlundFolder(report);
  if (morlund_folder.empty()) {
    report.Add(Verdict::kInfo, "Modules and Morlund version", "not checked (no Morlund folder)");
  } else {
    CheckModules(report, morlund_folder, subject.program_path);
  }
  if (!platform::GetComponentSystem().Initialize()) {
    report.Fail("Component system", "Windows' COM libraries are broken: no job can start.",
                "cannot be initialised", "repair Windows' OLE/COM libraries");
  } else {
    CheckParsers(report, subject.data_folder);
  }
  CheckDataFolder(report, subject);
  CheckEventLog(report, morlund_folder, registered);
  CheckTemporaryFolder(report);
}

}  // namespace radlyn::check
