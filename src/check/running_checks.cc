// The running system: radlyn processes that run now (a job, or one that hangs and makes every new
// job end without a result), and whether the radlyn program file on disk is the version that runs
// and the one Windows Installer registered (an upgrade that waits for a restart).
#include <string>

#include "check/checks.h"
#include "platform/workstation.h"
#include "support/module_version.h"

namespace radlyn::check {
namespace {

// Longer than any job takes, its exposure and Orbel's processing included.
constexpr std::uint64_t kHungAfterSeconds = 15 * 60;

std::string VersionOf(const std::string& path) {
  CModuleVersion version;
  return version.ReadFromFile(path) == 0 ? std::string() : version.FormatParts(4);
}

bool SameVersion(const std::string& a, const std::string& b) {
  return CModuleVersion(a).FormatParts(4) == CModuleVersion(b).FormatParts(4);
}

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void CheckRunningRadlyn(Report& report, const std::string& program_file) {
  const std::string on_disk = VersionOf(program_file);
  const std::string item = "Running Radlyn";
  const auto running = platform::FindRunningPrograms(FileName(program_file));
  if (running.empty()) report.Add(Verdict::kOk, item, "none (no job runs now)");
  for (const platform::RunningProgram& program : running) {
    const std::string id = "process " + std::to_string(program.process_id);
    const std::string since =
        program.seconds_running ? ", running for " + std::to_string(*program.seconds_running) + " s"
                                : std::string();
    const std::string where = program.path.empty() ? std::string() : ", " + program.path;
    if (program.seconds_running && *program.seconds_running > kHungAfterSeconds) {
      report.Fail(item,
                  "A Radlyn from an earlier job still runs and seems hung: new jobs end without a "
                  "result until it is ended.",
                  id + where + since + " (longer than any job)",
                  "end radlyn" + std::string(program_file.ends_with(".exe") ? ".exe" : "") + " (" +
                      id + ") in Task Manager, then look at the event log for that job");
    } else {
      report.Add(Verdict::kWarn, item, id + where + since,
                 "a job runs now: a second job started meanwhile ends without a result");
    }
    if (program.image_file.empty()) continue;
    const std::string version = VersionOf(program.image_file);
    if (!version.empty() && !on_disk.empty() && !SameVersion(version, on_disk)) {
      report.Add(Verdict::kWarn, "Radlyn version in use",
                 id + " runs version " + version + ", the program file is " + on_disk,
                 "the upgrade takes effect once that Radlyn has ended");
    }
  }

  const std::string registered = platform::InstalledProductVersion("Radlyn");
  if (!registered.empty()) {
    report.Add(Verdict::kInfo, "Radlyn installed",
               "version " + registered + " (Windows Installer)");
    if (!on_disk.empty() && !SameVersion(registered, on_disk)) {
      report.Add(Verdict::kWarn, "Radlyn version",
                 "Windows Installer registered " + registered + ", the program file is " + on_disk,
                 "the upgrade is pending: restart Windows, then run this check again");
    }
  }
  if (platform::IsFileReplacementPending(program_file)) {
    report.Add(Verdict::kWarn, "Radlyn version",
               program_file + " is replaced at the next restart of Windows",
               "restart Windows before the next job");
  }
}

}  // namespace radlyn::check
