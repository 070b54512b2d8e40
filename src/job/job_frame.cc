#include "job/job_frame.h"

#include <cstdint>
#include <string>
#include <utility>

#include "hostlink/program_settings.h"
#include "job/error_table.h"
#include "job/job_files.h"
#include "platform/crash_report.h"
#include "platform/file_system.h"
#include "platform/last_error.h"
#include "platform/profile.h"
#include "resources/string_table.h"
#include "support/event_log.h"

namespace radlyn {
namespace {

constexpr IntKey kStoredErrorNumberKey{"Info", "ErrorNr", 0};

}  // namespace

CJobFrame::CJobFrame(HostLinkPort* link) : link_(link != nullptr ? link : &GetHostLinkPort()) {}

void CJobFrame::SetDataFolder(std::string folder) {
  data_folder_ = std::move(folder);
  has_data_folder_ = true;
}

std::string CJobFrame::GetJobFilePath() const { return data_folder_ + kJobFileName; }

std::string CJobFrame::GetResultFilePath() const { return data_folder_ + kResultFileName; }

std::string CJobFrame::GetPendingResultFilePath() const {
  return data_folder_ + kPendingResultFileName;
}

std::string CJobFrame::ResultWritePath() const {
  return keys_go_to_pending_file_ ? GetPendingResultFilePath() : GetResultFilePath();
}

const std::string& CJobFrame::GetProgramFolder() {
  if (program_folder_.empty()) program_folder_ = ProgramFolder();
  return program_folder_;
}

const std::string& CJobFrame::GetSettingsFilePath() {
  if (settings_file_path_.empty()) settings_file_path_ = GetProgramFolder() + kSettingsFileName;
  return settings_file_path_;
}

void CJobFrame::WriteErrorReport(std::int32_t error_number, std::string_view debug_text) {
  const platform::ResultWriteTurn turn;  // a crash report never writes in between
  if (!has_data_folder_ || reports_suppressed_) return;
  const std::string result_file = ResultWritePath();
  if (platform::GetFileSystem().IsLink(result_file)) {
    outcome_unwritten_ = true;
    PrepareCrashResult();  // no crash result either
    return;
  }
  // The first nonzero number is final. It is read back from the file; one this object wrote
  // there itself counts as well while the file is there, so that a read that fails cannot turn a
  // failure into success.
  if (wrote_nonzero_number_) {
    if (platform::GetFileSystem().Exists(result_file)) return;
    wrote_nonzero_number_ = false;  // the file is gone: a new result begins
  }
  if (ReadProfileInt(kStoredErrorNumberKey, result_file) != 0) return;
  // A published success stays as it was written: the report at exit adds nothing to it.
  if (result_published_ && error_number == kErrorNone) return;
  // Nor does a failure after it (a fault in the teardown) undo it: the image is there, and a
  // client that read a failure would expose the patient again. The failure is named beside it.
  if (result_published_ && platform::GetFileSystem().Exists(result_file)) {
    if (!debug_text.empty()) WriteResultKey("Info", "DebugInfo", debug_text, result_file);
    WriteEventLog("Error", std::string("Error after the job's success was published (the success "
                                       "stands): ErrorNr=") +
                               std::to_string(error_number) + "; DebugInfo='" +
                               std::string(debug_text) + "'");
    return;
  }
  // A success whose result keys could not all be written is no answer the client can use.
  if (error_number == kErrorNone && result_key_lost_) {
    outcome_unwritten_ = true;
    PrepareCrashResult();  // no crash result either
    return;
  }

  const std::string_view message = GetErrorMessage(error_number);
  if (!WriteResultKey("Info", "ErrorNr", std::to_string(error_number), result_file)) {
    outcome_unwritten_ = true;
    PrepareCrashResult();  // no crash result either
  } else if (error_number != kErrorNone) {
    wrote_nonzero_number_ = true;
  }
  WriteResultKey("Info", "ErrorMsg", message, result_file);
  if (!debug_text.empty()) WriteResultKey("Info", "DebugInfo", debug_text, result_file);
  if (error_number == kErrorNone) return;
  WriteEventLog("Info", ReportLogText(error_number, debug_text));
}

std::string CJobFrame::ReportLogText(std::int32_t error_number, std::string_view debug_text) {
  std::string log_text = "Error in ";
  log_text += LoadResourceString(kIdsProgramName);
  log_text += ": ErrorNr=";
  log_text += std::to_string(error_number);
  log_text += "; ErrorMsg='";
  log_text += GetErrorMessage(error_number);
  log_text += "'; DebugInfo='";
  log_text += debug_text;
  log_text += "'";
  return log_text;
}

bool CJobFrame::WriteResultKey(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path) {
  platform::Profile& profile = platform::GetProfile();
  const auto write = [&] { return profile.WriteString(section, key, value, path); };
  if (held_file_wait_spent_ ? write() : platform::RetryTransientFailures(retry_budget_, write)) {
    PrepareCrashResult();
    return true;
  }
  if (held_file_wait_spent_) return false;
  result_write_error_ = platform::GetLastErrorCode();
  held_file_wait_spent_ = platform::IsTransientFileError(result_write_error_);
  return false;
}

void CJobFrame::LogFileFailure(std::string_view what, const std::string& path,
                               std::string_view operation, std::uint32_t error) {
  const std::size_t name_start = path.find_last_of("\\/") + 1;
  WriteEventLog("Error", std::string(what) + ": '" + path + "' (" + std::string(operation) +
                             " in folder '" + path.substr(0, name_start) + "': error " +
                             std::to_string(error) + " after " +
                             std::to_string(retry_budget_.WaitedMs()) + " ms of retries)");
}

void CJobFrame::WriteResultText(std::string_view section, std::string_view key,
                                std::string_view value) {
  const platform::ResultWriteTurn turn;
  if (!WriteResultKey(section, key, value, ResultWritePath())) result_key_lost_ = true;
}

void CJobFrame::WriteResultInt(std::string_view section, std::string_view key, std::int32_t value) {
  WriteResultText(section, key, std::to_string(value));
}

bool CJobFrame::RemoveOldResult() {
  platform::FileSystem& files = platform::GetFileSystem();
  const std::string result_file = GetResultFilePath();
  // A read-only file (refused with access denied) is made writable once and deleted again: the
  // old result must go either way.
  bool made_writable = false;
  const auto remove = [&] {
    if (files.DeleteFile(result_file)) return true;
    const std::uint32_t refusal = platform::GetLastErrorCode();
    if (made_writable || refusal != platform::kWinAccessDenied) return false;
    made_writable = true;
    if (files.MakeWritable(result_file)) return files.DeleteFile(result_file);
    platform::SetLastErrorCode(refusal);
    return false;
  };
  if (platform::RetryTransientFailures(retry_budget_, remove)) return true;
  const std::uint32_t error = platform::GetLastErrorCode();
  if (!files.Exists(result_file)) return true;  // a missing file is no error
  const std::string cause = "Couldn't delete the old result file: '" + result_file + "' (error " +
                            std::to_string(error) + "); no X-ray image was taken";
  // A file that may still be written says so itself, so that an earlier success cannot stand as
  // this job's answer.
  const bool marked =
      !files.IsLink(result_file) &&
      WriteResultKey("Info", "ErrorNr", std::to_string(kErrorFileDeleting), result_file) &&
      WriteResultKey("Info", "ErrorMsg", GetErrorMessage(kErrorFileDeleting), result_file) &&
      WriteResultKey("Info", "DebugInfo", cause, result_file);
  reports_suppressed_ = true;
  WriteEventLog("Error", marked ? cause + "; the file now reports this failure" : cause);
  return false;
}

bool CJobFrame::BeginResult() {
  platform::FileSystem& files = platform::GetFileSystem();
  const std::string pending = GetPendingResultFilePath();
  // A missing file is no error.
  platform::RetryTransientFailures(retry_budget_, [&] { return files.DeleteFile(pending); });
  if (files.Exists(pending)) {
    WriteErrorReport(kErrorFileDeleting,
                     "Couldn't delete file: '" + pending + "'. Please remove this file manually.");
    return false;
  }
  keys_go_to_pending_file_ = true;
  PrepareCrashResult();
  return true;
}

void CJobFrame::PublishResult() {
  const platform::ResultWriteTurn turn;
  if (!keys_go_to_pending_file_ || reports_suppressed_) return;
  platform::FileSystem& files = platform::GetFileSystem();
  const std::string pending = GetPendingResultFilePath();
  if (outcome_unwritten_) {
    // The pending file does not hold this job's outcome: no answer is better than a wrong one.
    reports_suppressed_ = true;
    PrepareCrashResult();
    platform::RetryTransientFailures(retry_budget_, [&] { return files.DeleteFile(pending); });
    LogFileFailure("Couldn't write the result file", pending, "writing", result_write_error_);
    return;
  }
  const std::string result_file = GetResultFilePath();
  if (platform::RetryTransientFailures(retry_budget_,
                                       [&] { return files.RenameFile(pending, result_file); })) {
    keys_go_to_pending_file_ = false;
    result_published_ = true;
    PrepareCrashResult();
    return;
  }
  // Every pending result holds a report (the client's initialisation writes one): a file that
  // is not there was lost, and the client finds no result file.
  LogFileFailure("Couldn't publish the result file", pending, "renaming",
                 platform::GetLastErrorCode());
}

}  // namespace radlyn
