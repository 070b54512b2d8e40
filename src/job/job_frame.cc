#include "job/job_frame.h"

#include <cstdint>
#include <string>
#include <utility>

#include "hostlink/program_settings.h"
#include "job/error_table.h"
#include "job/job_files.h"
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
  if (!has_data_folder_ || reports_suppressed_) return;
  const std::string result_file = ResultWritePath();
  if (platform::GetFileSystem().IsLink(result_file)) {
    outcome_unwritten_ = true;
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
  // A success whose result keys could not all be written is no answer the client can use.
  if (error_number == kErrorNone && result_key_lost_) {
    outcome_unwritten_ = true;
    return;
  }

  const std::string_view message = GetErrorMessage(error_number);
  if (!WriteResultKey("Info", "ErrorNr", std::to_string(error_number), result_file)) {
    outcome_unwritten_ = true;
  } else if (error_number != kErrorNone) {
    wrote_nonzero_number_ = true;
  }
  WriteResultKey("Info", "ErrorMsg", message, result_file);
  if (!debug_text.empty()) WriteResultKey("Info", "DebugInfo", debug_text, result_file);
  if (error_number == kErrorNone) return;

  std::string log_text = "Error in ";
  log_text += LoadResourceString(kIdsProgramName);
  log_text += ": ErrorNr=";
  log_text += std::to_string(error_number);
  log_text += "; ErrorMsg='";
  log_text += message;
  log_text += "'; DebugInfo='";
  log_text += debug_text;
  log_text += "'";
  WriteEventLog("Info", log_text);
}

bool CJobFrame::WriteResultKey(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path) {
  platform::Profile& profile = platform::GetProfile();
  const auto write = [&] { return profile.WriteString(section, key, value, path); };
  if (held_file_wait_spent_) return write();
  if (platform::RetryTransientFailures(write)) return true;
  held_file_wait_spent_ = platform::IsTransientFileError(platform::GetLastErrorCode());
  return false;
}

void CJobFrame::WriteResultText(std::string_view section, std::string_view key,
                                std::string_view value) {
  if (!WriteResultKey(section, key, value, ResultWritePath())) result_key_lost_ = true;
}

void CJobFrame::WriteResultInt(std::string_view section, std::string_view key, std::int32_t value) {
  WriteResultText(section, key, std::to_string(value));
}

bool CJobFrame::RemoveOldResult() {
  platform::FileSystem& files = platform::GetFileSystem();
  const std::string result_file = GetResultFilePath();
  if (platform::RetryTransientFailures([&] { return files.DeleteFile(result_file); })) {
    return true;
  }
  const std::uint32_t error = platform::GetLastErrorCode();
  if (!files.Exists(result_file)) return true;  // a missing file is no error
  reports_suppressed_ = true;
  WriteEventLog("Error", "Couldn't delete the old result file: '" + result_file + "' (error " +
                             std::to_string(error) + "); no X-ray image was taken");
  return false;
}

bool CJobFrame::BeginResult() {
  platform::FileSystem& files = platform::GetFileSystem();
  const std::string pending = GetPendingResultFilePath();
  // A missing file is no error.
  platform::RetryTransientFailures([&] { return files.DeleteFile(pending); });
  if (files.Exists(pending)) {
    WriteErrorReport(kErrorFileDeleting,
                     "Couldn't delete file: '" + pending + "'. Please remove this file manually.");
    return false;
  }
  keys_go_to_pending_file_ = true;
  return true;
}

void CJobFrame::PublishResult() {
  if (!keys_go_to_pending_file_ || reports_suppressed_) return;
  platform::FileSystem& files = platform::GetFileSystem();
  const std::string pending = GetPendingResultFilePath();
  if (outcome_unwritten_) {
    // The pending file does not hold this job's outcome: no answer is better than a wrong one.
    reports_suppressed_ = true;
    platform::RetryTransientFailures([&] { return files.DeleteFile(pending); });
    WriteEventLog("Error", "Couldn't write the result file: '" + pending + "'");
    return;
  }
  // No report reached the pending file: there is nothing to publish.
  if (!files.Exists(pending)) return;
  const std::string result_file = GetResultFilePath();
  if (platform::RetryTransientFailures([&] { return files.RenameFile(pending, result_file); })) {
    keys_go_to_pending_file_ = false;
    return;
  }
  WriteEventLog("Error", "Couldn't publish the result file: '" + pending + "'");
}

}  // namespace radlyn
