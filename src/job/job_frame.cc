#include "job/job_frame.h"

#include <cstdint>
#include <string>
#include <utility>

#include "hostlink/program_settings.h"
#include "job/error_table.h"
#include "job/job_files.h"
#include "job/result_text.h"
#include "platform/crash_report.h"
#include "platform/file_system.h"
#include "platform/last_error.h"
#include "platform/profile.h"
#include "resources/string_table.h"
#include "support/event_log.h"

namespace radlyn {
namespace {

constexpr IntKey kStoredErrorNumberKey{"Info", "ErrorNr", 0};

// What stands at a name that should hold the job's pending result, for the event log.
std::string WhatStandsAt(const std::string& path) {
  platform::FileSystem& files = platform::GetFileSystem();
  if (files.IsLink(path)) return "a link stands at that name";
  if (files.FolderExists(path)) return "a folder stands at that name";
  if (files.Exists(path)) return "another file stands at that name";
  return "the file is gone";
}

}  // namespace

CJobFrame::CJobFrame(HostLinkPort* link)
    : link_(link != nullptr ? link : &GetHostLinkPort()),
      pending_text_(std::make_unique<ResultText>()) {}

CJobFrame::~CJobFrame() { pending_text_->Clear(); }

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
  if (keys_go_to_pending_file_) {
    // The pending result is this object's own: what it holds is known without reading it.
    if (pending_text_->FindInt("Info", "ErrorNr") != 0) return;
  } else if (!MayReportInto(result_file)) {
    PrepareCrashResult();  // a link: no crash result either
    return;
  }
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

bool CJobFrame::MayReportInto(const std::string& result_file) {
  platform::FileSystem& files = platform::GetFileSystem();
  if (files.IsLink(result_file)) {
    outcome_unwritten_ = true;
    return false;
  }
  // The first nonzero number is final. It is read back from the file; one this object wrote
  // there itself counts as well while the file may be there, so that a read that fails cannot
  // turn a failure into success. Only a file that is surely gone starts a new result.
  if (wrote_nonzero_number_) {
    if (files.Exists(result_file) || !platform::IsNotFoundError(platform::GetLastErrorCode())) {
      return false;
    }
    wrote_nonzero_number_ = false;
  }
  return ReadProfileInt(kStoredErrorNumberKey, result_file) == 0;
}

bool CJobFrame::WriteResultKey(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path) {
  platform::Profile& profile = platform::GetProfile();
  const bool pending = keys_go_to_pending_file_ && path == GetPendingResultFilePath();
  if (pending) pending_text_->Set(section, key, value);
  // The pending file is written through the handle it was created with, never by its name, so
  // that nothing put in its place during the job receives the result.
  const auto write = [&] {
    if (!pending) return profile.WriteString(section, key, value, path);
    if (pending_file_) return pending_file_->Rewrite(pending_text_->Serialize());
    platform::SetLastErrorCode(pending_file_error_);
    return false;
  };
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
                               std::string_view operation, std::uint32_t error,
                               std::string_view reason) {
  const std::size_t name_start = path.find_last_of("\\/") + 1;
  WriteEventLog("Error", std::string(what) + ": '" + path + "' (" + std::string(operation) +
                             " in folder '" + path.substr(0, name_start) + "': error " +
                             std::to_string(error) + " after " +
                             std::to_string(retry_budget_.WaitedMs()) + " ms of retries" +
                             (reason.empty() ? "" : "; " + std::string(reason)) + ")");
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
  // A missing file is no error; a file that cannot even be looked up (a share that stopped
  // answering) may still be there.
  if (!files.Exists(result_file) && platform::IsNotFoundError(platform::GetLastErrorCode())) {
    return true;
  }
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
  // What an earlier job left (or anyone put there) is removed by its name, never opened: a link
  // goes itself, not what it leads to. A missing file is no error.
  platform::RetryTransientFailures(retry_budget_, [&] { return files.DeleteFile(pending); });
  if (files.Exists(pending) || !platform::IsNotFoundError(platform::GetLastErrorCode())) {
    WriteErrorReport(kErrorFileDeleting,
                     "Couldn't delete file: '" + pending + "'. Please remove this file manually.");
    return false;
  }
  // Created once, exclusively; every key of the result is then written through this handle.
  platform::RetryTransientFailures(retry_budget_, [&] {
    pending_file_ = files.CreateOwnFile(pending);
    return pending_file_ != nullptr;
  });
  keys_go_to_pending_file_ = true;
  if (!pending_file_) {
    // Something took the name right after the delete, or the folder takes no file: no exposure.
    pending_file_error_ = platform::GetLastErrorCode();
    outcome_unwritten_ = true;
    reports_suppressed_ = true;
    LogFileFailure("Couldn't write the result file", pending, "creating", pending_file_error_,
                   pending_file_error_ == platform::kWinFileExists ? WhatStandsAt(pending) : "");
    return false;
  }
  PrepareCrashResult();
  return true;
}

void CJobFrame::PublishResult() {
  const platform::ResultWriteTurn turn;
  if (!keys_go_to_pending_file_ || reports_suppressed_) return;
  platform::FileSystem& files = platform::GetFileSystem();
  const std::string pending = GetPendingResultFilePath();
  // The name must still hold the file this job wrote: a link or another file put in its place
  // meanwhile holds no result of this job, and renaming it would publish it as one.
  std::string refusal;
  if (pending_file_ && !outcome_unwritten_ && !pending_file_->HoldsItsName()) {
    result_write_error_ = platform::GetLastErrorCode();
    refusal = WhatStandsAt(pending);
    outcome_unwritten_ = true;
  }
  // Closed before the rename: Windows renames no file that is open without shared deletion.
  pending_file_.reset();
  pending_text_->Clear();
  // The reserve of the retry budget is this rename's: earlier holds cannot lose the result.
  retry_budget_.ReleaseReserve();
  if (outcome_unwritten_) {
    // The pending file does not hold this job's outcome: no answer is better than a wrong one.
    // What someone else put at its name is left as it is (the next job removes it by name).
    reports_suppressed_ = true;
    PrepareCrashResult();
    if (refusal.empty()) {
      platform::RetryTransientFailures(retry_budget_, [&] { return files.DeleteFile(pending); });
    }
    LogFileFailure("Couldn't write the result file", pending, "writing", result_write_error_,
                   refusal);
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
