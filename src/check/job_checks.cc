// The checks on what a job meets: the settings file beside the program (and the copy Windows'
// file virtualization shows radlyn.exe instead), the output folder the data folder's job names,
// a pending or last result, and the event log's lines of the last job. Every rule is the job's
// own (job/output_folder.h, job/job_files.h, hostlink/program_settings.h).
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "check/checks.h"
#include "hostlink/program_settings.h"
#include "job/job_files.h"
#include "job/output_folder.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "resources/string_table.h"
#include "support/error_numbers.h"

namespace radlyn::check {
namespace {

constexpr std::size_t kResultTextLimit = 512;
constexpr std::size_t kEventLogLinesShown = 15;

// The copy of a file below Program Files that Windows shows a program running with file
// virtualization (radlyn.exe declares no execution level): %LOCALAPPDATA%\VirtualStore\ and the
// path without its drive. Empty where there is no such copy to look for (Linux: no LOCALAPPDATA).
std::string VirtualStoreCopy(const std::string& path) {
  const std::optional<std::string> local = platform::GetEnvironment().GetVariable("LOCALAPPDATA");
  if (!local || local->empty() || path.size() < 3 || path[1] != ':') return {};
  return platform::WithTrailingSeparator(*local) + "VirtualStore" + platform::kPathSeparator +
         path.substr(3);
}

// The settings file radlyn.exe reads: the VirtualStore copy when there is one.
std::string EffectiveSettingsFile() {
  const std::string path = ProgramSettingsFilePath();
  const std::string copy = VirtualStoreCopy(path);
  return !copy.empty() && platform::GetFileSystem().Exists(copy) ? copy : path;
}

// The nearest existing folder at or above `folder`, empty when none.
std::string NearestExistingFolder(std::string folder) {
  auto& files = platform::GetFileSystem();
  while (!folder.empty()) {
    folder = platform::WithoutTrailingSeparator(folder);
    if (folder.empty()) break;
    const std::string with_separator = platform::WithTrailingSeparator(folder);
    if (files.FolderExists(with_separator)) return with_separator;
    const auto last = std::find_if(folder.rbegin(), folder.rend(), platform::IsPathSeparator);
    if (last == folder.rend()) break;
    folder.erase(static_cast<std::size_t>(folder.rend() - last));
  }
  return {};
}

void CheckOutputFolder(Report& report, const std::string& job_file,
                       const std::string& data_folder) {
  const std::string item = "Output folder";
  std::string unexpanded;
  const std::optional<std::string> expanded = ReadOutputFolder(job_file, data_folder, unexpanded);
  if (!expanded) {
    report.Fail(item,
                "The job names an image folder whose name is too long: jobs end with error " +
                    std::to_string(kErrorSizeTooLong) + ".",
                unexpanded + " is longer than 259 characters after expansion",
                "shorten ImageDataPath in the client's settings");
    return;
  }
  const std::string& folder = *expanded;
  auto& files = platform::GetFileSystem();
  const std::string missing_root = DescribeMissingRoot(folder);
  if (!missing_root.empty()) {
    report.Fail(item,
                "The folder for the X-ray images is on a drive or share that is not connected: "
                "jobs end with error " +
                    std::to_string(kErrorDiskSpace) + " before any exposure.",
                folder + ": " + missing_root,
                "connect the drive or share again, or correct ImageDataPath in the client");
    return;
  }
  const bool exists = files.FolderExists(folder);
  const std::string parent = exists ? folder : NearestExistingFolder(folder);
  if (parent.empty() || !FolderWritable(parent)) {
    report.Fail(item, "Radlyn may not write the X-ray images into their folder: jobs fail.",
                folder + (exists ? " is not writable by this user"
                                 : " does not exist and cannot be created in " +
                                       (parent.empty() ? std::string("any folder") : parent)),
                "grant write access to it for this user");
    return;
  }
  if (!HasEnoughFreeSpace(folder)) {
    report.Fail(
        item,
        "There is not enough free space for the X-ray images: jobs end with error " +
            std::to_string(kErrorDiskSpace) + ".",
        folder + ": less than " + std::to_string(kMinimumFreeBytes) + " bytes free for this user",
        "free space on that drive");
    return;
  }
  const std::int32_t delete_old = ReadProfileInt(kDelOutImageKey, EffectiveSettingsFile());
  if (const std::optional<std::string> image = FindImageLeftBehind(folder)) {
    if (delete_old == 0) {
      report.Fail(item,
                  "An image of an earlier job is still in the image folder: the next job ends "
                  "with error " +
                      std::to_string(kErrorSystemConfiguration) + " until it is moved away.",
                  *image + " is left behind (DelOutImage=0)",
                  "let the client take the image over, or move it away");
      return;
    }
    report.Add(Verdict::kInfo, item,
               *image + " is left behind; the next job deletes it (DelOutImage=" +
                   std::to_string(delete_old) + ")");
  }
  report.Add(Verdict::kOk, item,
             folder + (exists ? " is writable" : " will be created in " + parent));
}

void CheckResults(Report& report, const std::string& data_folder) {
  auto& files = platform::GetFileSystem();
  const std::string pending = data_folder + kPendingResultFileName;
  if (files.IsLink(pending)) {
    report.Fail("Pending result", "A link stands where Radlyn writes its results: jobs fail.",
                pending + " is a link, not a file Radlyn left",
                "remove it, and check who else can write the data folder");
  } else if (files.Exists(pending)) {
    report.Add(Verdict::kWarn, "Pending result",
               pending + " is left from a job that was ended before its result was published",
               "the next job removes it; look at the event log for that job's end");
  }
  const std::string result = data_folder + kResultFileName;
  if (!files.Exists(result)) {
    report.Add(Verdict::kInfo, "Last result", "none in the data folder");
    return;
  }
  // Only the outcome: the result's patient and doctor keys stay out of the report.
  auto& profile = platform::GetProfile();
  const std::string number = profile.ReadString("Info", "ErrorNr", "", kResultTextLimit, result);
  const std::string message = profile.ReadString("Info", "ErrorMsg", "", kResultTextLimit, result);
  const std::string debug = profile.ReadString("Info", "DebugInfo", "", kResultTextLimit, result);
  report.Add(Verdict::kInfo, "Last result",
             "ErrorNr=" + number + ", ErrorMsg='" + message + "', DebugInfo='" + debug + "'");
}

}  // namespace

std::string DescribeMissingRoot(const std::string& path) {
  auto& files = platform::GetFileSystem();
  if (path.size() >= 2 && path[1] == ':') {
    const std::string drive = path.substr(0, 2);
    if (!files.FolderExists(drive + platform::kPathSeparator)) {
      return "drive " + drive + " is not present";
    }
  } else if (path.size() > 2 && platform::IsPathSeparator(path[0]) &&
             platform::IsPathSeparator(path[1])) {
    std::size_t end = 2;
    for (int parts = 0; end < path.size() && parts < 2; ++end) {
      if (platform::IsPathSeparator(path[end])) ++parts;
    }
    const std::string share = path.substr(0, end);
    if (!files.FolderExists(platform::WithTrailingSeparator(share))) {
      return "share " + platform::WithoutTrailingSeparator(share) + " cannot be reached";
    }
  }
  return {};
}

void CheckSettings(Report& report) {
  const std::string path = ProgramSettingsFilePath();
  const std::string copy = VirtualStoreCopy(path);
  auto& files = platform::GetFileSystem();
  const std::string effective = EffectiveSettingsFile();
  if (effective != path) {
    report.Add(Verdict::kWarn, "Settings file",
               effective + " is the copy Windows shows radlyn.exe instead of " + path,
               "make changes in that copy, or delete it so that " + path + " counts");
  } else if (!files.Exists(path)) {
    report.Add(Verdict::kInfo, "Settings file", path + " does not exist (defaults apply)");
  }
  auto& profile = platform::GetProfile();
  const std::int32_t simulate =
      profile.ReadInt(kSimuSetting.section, kSimuSetting.key, kSimuSetting.fallback, effective);
  const std::int32_t table = profile.ReadInt(kUseLutSetting.section, kUseLutSetting.key,
                                             kUseLutSetting.fallback, effective);
  const std::int32_t delete_old = ReadProfileInt(kDelOutImageKey, effective);
  report.Add(Verdict::kInfo, "Settings",
             "Simu=" + std::to_string(simulate) + ", UseLUT=" + std::to_string(table) +
                 ", DelOutImage=" + std::to_string(delete_old));
  if (simulate != 0) {
    report.Fail("Simulation",
                "Radlyn is in demonstration mode: jobs would file the demonstration image under "
                "real patients instead of taking an X-ray.",
                "Simu=" + std::to_string(simulate) + " in [Config] of " + effective,
                "set Simu=0 there (or remove the line) before the next patient");
  }
}

void CheckJob(Report& report, const std::string& data_folder) {
  const std::string job_file = data_folder + kJobFileName;
  if (!platform::GetFileSystem().Exists(job_file)) {
    report.Add(Verdict::kInfo, "Job file",
               job_file + " does not exist (the output folder is the data folder then)");
  }
  CheckOutputFolder(report, job_file, data_folder);
  CheckResults(report, data_folder);
}

void CheckEventLogTail(Report& report, const std::string& log) {
  const std::optional<std::string> text = platform::GetFileSystem().ReadWholeFile(log);
  if (!text) return;
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text->size()) {
    std::size_t end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    std::string line = text->substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(std::move(line));
    start = end + 1;
  }
  // The last job's lines: from its start line on (at most the last few).
  const std::string_view job_start = LoadResourceString(kIdsJobStart);
  std::size_t first = lines.size();
  while (first > 0 && lines[first - 1].find(job_start) == std::string::npos) --first;
  if (first == 0) {
    report.Add(Verdict::kInfo, "Event log", "holds no Radlyn job yet");
    return;
  }
  --first;
  first = std::max(first, lines.size() > kEventLogLinesShown ? lines.size() - kEventLogLinesShown
                                                             : std::size_t{0});
  for (std::size_t i = first; i < lines.size(); ++i) {
    report.Add(Verdict::kInfo, "Event log, last job", lines[i]);
  }
}

}  // namespace radlyn::check
