#include "check/probe_child.h"

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "platform/crash_report.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/workstation.h"

namespace radlyn::check {
namespace {

constexpr char kField = '\t';
// The child's own bound: it ends with this exit code this long before the parent's limit.
constexpr std::uint32_t kProbeEndMarginMs = 2'000;
constexpr int kProbeOutOfTime = 124;

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream stream(line);
  for (std::string field; std::getline(stream, field, kField);) fields.push_back(field);
  return fields;
}

std::string Record(const ModuleProbe& probe) {
  std::string exports;
  for (const std::string& name : probe.missing_exports)
    exports += (exports.empty() ? "" : ",") + name;
  const int accepted = probe.version_accepted ? (*probe.version_accepted ? 1 : 0) : -1;
  std::ostringstream line;
  line << "probe" << kField << probe.file << kField << probe.path << kField << probe.present
       << kField << probe.loaded << kField << static_cast<int>(probe.convention) << kField
       << accepted << kField << exports << "\n";
  return line.str();
}

std::optional<ModuleProbe> ParseRecord(const std::vector<std::string>& fields) {
  if (fields.size() < 7) return std::nullopt;
  ModuleProbe probe;
  probe.file = fields[1];
  probe.path = fields[2];
  probe.present = fields[3] == "1";
  probe.loaded = fields[4] == "1";
  probe.convention = static_cast<ModuleConvention>(std::stoi(fields[5]));
  if (fields[6] != "-1") probe.version_accepted = fields[6] == "1";
  if (fields.size() > 7) {
    std::istringstream names(fields[7]);
    for (std::string name; std::getline(names, name, ',');) probe.missing_exports.push_back(name);
  }
  return probe;
}

}  // namespace

int RunProbeChild(const std::string& result_file) {
  auto& files = platform::GetFileSystem();
  // A module that faults ends the child at once, with no system error dialog to wait behind.
  platform::InstallCrashReporter(nullptr);
  // A module that hangs ends it shortly before the parent stops waiting, so that no probe
  // outlives the check (holding its console or pipe open).
  std::thread([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(kProbeLimitMs - kProbeEndMarginMs));
    std::_Exit(kProbeOutOfTime);
  }).detach();
  // Each line reaches the file before the next module runs: a crash keeps what came before.
  ModuleProbeSteps steps;
  steps.starting = [&](const std::string& file) {
    files.AppendToFile(result_file, std::string("start") + kField + file + "\n");
  };
  steps.finished = [&](const ModuleProbe& probe) {
    files.AppendToFile(result_file, Record(probe));
    // What follows the last module is releasing them all.
    files.AppendToFile(result_file, std::string("start") + kField + kReleasing + "\n");
  };
  ProbeMorlundModules(steps);
  return 0;
}

ProbeOutcome ProbeModulesInChild(const std::string& program_path) {
  ProbeOutcome outcome;
  auto& files = platform::GetFileSystem();
  const std::optional<std::string> result_file =
      files.CreateUniqueTempFile(files.TempFolder(), "rck");
  if (!result_file) return outcome;
  // An empty program part, as Orbel's command lines have: the child's arguments follow it.
  // With a normal user's rights when the check runs elevated: a module then runs as it does in
  // the practice's jobs, and cannot use an administrator's rights.
  const std::string arguments = std::string(" ") + kProbeSwitch + " \"" + *result_file + "\"";
  std::optional<platform::ProcessRun> restricted =
      platform::RunWithUserRights(program_path, arguments, kProbeLimitMs);
  outcome.user_rights = restricted.has_value();
  const platform::ProcessRun run =
      restricted ? *restricted
                 : platform::GetProcesses().Run(program_path, arguments, kProbeLimitMs);
  outcome.started = run.started;
  outcome.exit_code = run.exit_code;
  outcome.timed_out = run.exit_code == platform::kStillActive || run.exit_code == kProbeOutOfTime;
  const std::string text = files.ReadWholeFile(*result_file).value_or("");
  // A child still running keeps its file open on Windows: the delete may fail; the temporary
  // folder's cleanup takes it then.
  files.DeleteFile(*result_file);

  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const std::vector<std::string> fields = Fields(line);
    if (fields.size() == 2 && fields[0] == "start") {
      outcome.stopped_at = fields[1];
    } else if (!fields.empty() && fields[0] == "probe") {
      if (std::optional<ModuleProbe> probe = ParseRecord(fields)) {
        outcome.probes.push_back(std::move(*probe));
      }
    }
  }
  const bool ended_normally = run.started && run.exit_code == 0u;
  if (ended_normally) outcome.stopped_at.clear();
  return outcome;
}

}  // namespace radlyn::check
