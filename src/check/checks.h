// The items of the support check, each added to the report with its verdict: Radlyn's program
// file and settings, the running Radlyn, the system, Morlund's registration and folder, its five
// modules (probed in a child process) and its version, the XML parsers and the newer
// generation's servers, the data folder with the job it holds and the last result, the output
// folder the job names, the event log and the temporary folder.
#pragma once

#include <string>

#include "check/check_report.h"

namespace radlyn::check {

struct CheckSubject {
  // The data folder as radlyn.exe would take it (trailing separator), and the text it came from
  // (empty: none was given and Radlyn's default one is checked). Empty folder: none could be
  // made (a value too long after expansion).
  std::string data_folder;
  std::string data_folder_text;
  std::string program_path;  // this program's file, started again for the module probe
};

void RunChecks(Report& report, const CheckSubject& subject);

// The checks on the job that the data folder holds (job_checks.cc): the settings file, the
// output folder, a pending or last result. `job_file` may not exist.
void CheckSettings(Report& report);
void CheckJob(Report& report, const std::string& data_folder);
// The last job's lines of the event log at `log` (read only, never created).
void CheckEventLogTail(Report& report, const std::string& log);
// The running radlyn processes and the installed versions (running_checks.cc).
void CheckRunningRadlyn(Report& report, const std::string& program_file);

// "drive X: is not present" / "share \\server\share cannot be reached" when the path's drive or
// share is missing, else empty text.
std::string DescribeMissingRoot(const std::string& path);
// True when this user may create (and delete) a file in the folder (with a trailing separator).
bool FolderWritable(const std::string& folder);

}  // namespace radlyn::check
