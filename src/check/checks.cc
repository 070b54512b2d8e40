#include "check/checks.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "hostlink/module_probe.h"
#include "hostlink/morlund_folder.h"
#include "platform/automation.h"
#include "platform/component_system.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "platform/xml_parser.h"
#include "pluginserver/orbel_plugin.h"
#include "support/event_log.h"
#include "support/module_version.h"

namespace radlyn::check {
namespace {

std::string ProgramFolder() {
  std::string path = platform::GetFileSystem().ProgramFilePath();
  std::size_t end = path.size();
  while (end > 0 && !platform::IsPathSeparator(path[end - 1])) --end;
  return path.substr(0, end);
}

// True when this user may create (and delete) a file in the folder. (A probe file is made by name:
// Wine's GetTempFileName reports success in a folder where it could create nothing.)
bool FolderWritable(const std::string& folder) {
  auto& files = platform::GetFileSystem();
  const std::string probe = folder + "radlyn-check.probe";
  files.DeleteFile(probe);
  if (!files.CreateNewFile(probe)) return false;
  files.DeleteFile(probe);
  return true;
}

void CheckRadlyn(Report& report) {
  const std::string path = ProgramFolder() + "radlyn" + platform::kProgramFileSuffix;
  CModuleVersion version;
  if (!platform::GetFileSystem().Exists(path)) {
    report.Add(Verdict::kFail, "Radlyn program", path + " is missing",
               "repair the installation (msiexec /fa radlyn-<version>.msi)");
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
    report.Add(Verdict::kFail, "Morlund folder",
               "none (no registration, no " + std::string(kFixedMorlundFolder) +
                   MorlundProgramFileName() + ")",
               in64.empty() ? "install Morlund, or repair its installation so that it registers " +
                                  key + " in the 32-bit registry view"
                            : "Morlund is registered in the 64-bit view only: Radlyn, a 32-bit "
                              "program, reads the 32-bit view; repair Morlund's installation");
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

void CheckModules(Report& report, const std::string& folder) {
  for (const ModuleProbe& probe : ProbeMorlundModules()) {
    const std::string item = "Module " + probe.file;
    const std::string convention =
        std::string(", calling convention ") + ConventionName(probe.convention);
    if (!probe.present) {
      report.Add(Verdict::kFail, item, probe.path + " is missing", "repair Morlund's installation");
    } else if (!probe.loaded) {
      report.Add(Verdict::kFail, item, probe.path + " found but cannot be loaded",
                 "repair Morlund's installation (a module it needs may be missing)");
    } else if (!probe.missing_exports.empty()) {
      report.Add(Verdict::kFail, item, "lacks " + Joined(probe.missing_exports),
                 "install a Morlund version Radlyn supports (" +
                     std::string(kRequiredMorlundVersion) + " or later)");
    } else if (probe.convention == ModuleConvention::kUnsupported) {
      report.Add(Verdict::kFail, item, "loaded, exports present" + convention,
                 "install a Morlund version Radlyn supports");
    } else if (!probe.version_accepted.value_or(false)) {
      report.Add(Verdict::kFail, item, "loaded, exports present, version refused" + convention,
                 "install a matching Morlund version");
    } else {
      report.Add(Verdict::kOk, item, "loaded, exports present, version accepted" + convention);
    }
  }
  const CModuleVersion version = ReadMorlundVersion(folder);
  if (IsMorlundVersionAccepted(version)) {
    report.Add(Verdict::kOk, "Morlund version", version.FormatParts(4));
  } else {
    report.Add(Verdict::kFail, "Morlund version",
               version.FormatParts(4) + " (" + MorlundProgramFileName() +
                   " missing or older than " + kRequiredMorlundVersion + ")",
               "install Morlund " + std::string(kRequiredMorlundVersion) + " or later");
  }
}

void CheckParsers(Report& report) {
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
  if (!any) {
    report.Add(Verdict::kWarn, "XML parser", "none can be created",
               "repair Windows' MSXML 6.0 (or install MSXML 4.0): without it the images "
               "miss Morlund's automatic filters");
  }
  for (const char* prog_id : {kPluginServerProgId, kOptionsManagerProgId}) {
    const bool registered = platform::GetAutomation().IsClassRegistered(prog_id);
    report.Add(Verdict::kInfo, std::string("Server ") + prog_id,
               registered ? "registered" : "not registered (Orbel is not used)");
  }
}

void CheckFolders(Report& report, const std::string& data_folder,
                  const std::string& morlund_folder) {
  if (data_folder.empty()) {
    report.Add(Verdict::kInfo, "Data folder", "not checked",
               "name the client's data folder: radlyn-check datapath=<folder>");
  } else if (!platform::GetFileSystem().FolderExists(data_folder)) {
    report.Add(Verdict::kFail, "Data folder", data_folder + " does not exist",
               "create it, or correct the client's datapath");
  } else if (!FolderWritable(platform::WithTrailingSeparator(data_folder))) {
    report.Add(Verdict::kFail, "Data folder", data_folder + " is not writable by this user",
               "grant the practice's users write access to it");
  } else {
    report.Add(Verdict::kOk, "Data folder", data_folder + " is writable");
  }

  const EventLogFolderSource previous = SetEventLogFolderSource(&GetMorlundFolder);
  const std::string log = GetEventLogPath();
  SetEventLogFolderSource(previous);
  // An empty append opens the log as every writer does, and adds nothing.
  if (morlund_folder.empty()) {
    report.Add(Verdict::kWarn, "Event log",
               "no Morlund folder: Radlyn writes " + log + " into the client's current folder",
               "install or register Morlund");
  } else if (platform::GetFileSystem().AppendToFile(log, "")) {
    report.Add(Verdict::kOk, "Event log", log + " is writable");
  } else {
    report.Add(Verdict::kWarn, "Event log", log + " is not writable by this user",
               "grant the practice's users write access to it; until then Radlyn's lines go "
               "to the debug output");
  }

  const std::string temp = platform::GetFileSystem().TempFolder();
  if (FolderWritable(temp)) {
    report.Add(Verdict::kOk, "Temporary folder", temp + " is writable");
  } else {
    report.Add(Verdict::kWarn, "Temporary folder", temp + " is not writable",
               "correct the user's TEMP variable: Orbel's processing needs it");
  }
}

}  // namespace

void RunChecks(Report& report, const std::string& data_folder) {
  CheckRadlyn(report);
  const std::string morlund_folder = CheckMorlundFolder(report);
  if (morlund_folder.empty()) {
    report.Add(Verdict::kInfo, "Modules and Morlund version", "not checked (no Morlund folder)");
  } else {
    CheckModules(report, morlund_folder);
  }
  if (!platform::GetComponentSystem().Initialize()) {
    report.Add(Verdict::kFail, "Component system", "cannot be initialised",
               "repair Windows' OLE/COM libraries");
  } else {
    CheckParsers(report);
  }
  CheckFolders(report, data_folder, morlund_folder);
}

}  // namespace radlyn::check
