// CJobFrame::PrepareCrashResult: what a fault inside a module leaves for the client, made ready
// before it can happen (platform/crash_result.h).
#include <cstdint>
#include <string>
#include <vector>

#include "job/error_table.h"
#include "job/job_files.h"
#include "job/job_frame.h"
#include "job/result_text.h"
#include "platform/crash_result.h"
#include "platform/last_error.h"
#include "support/event_log.h"

namespace radlyn {

void CJobFrame::PrepareCrashResult() {
  if (!platform::CrashResultWriterInstalled()) return;
  // Preparing reads files; the caller's last error stays as it was.
  const std::uint32_t last_error = platform::GetLastErrorCode();
  const std::string crash_text = platform::kCrashTextMarker;
  std::vector<std::string> log_lines;
  const bool pending = keys_go_to_pending_file_ && !reports_suppressed_ && !outcome_unwritten_;
  const std::string pending_file = GetPendingResultFilePath();
  // The first nonzero number is final: a job that has already failed keeps its number, and the
  // crash only publishes that result.
  const bool stored_error = pending && pending_text_->FindInt("Info", "ErrorNr") != 0;
  if (pending && !stored_error) {
    log_lines.push_back(FormatEventLogLine(platform::kCrashTimeMarker, "Info",
                                           ReportLogText(kErrorUnspecified, crash_text)) +
                        "\r\n");
  }
  log_lines.push_back(FormatEventLogLine(platform::kCrashTimeMarker, "Error",
                                         crash_text + "; no crash dump could be written") +
                      "\r\n");
  platform::PrepareCrashLog(GetEventLogPath(), log_lines);

  if (!pending) {
    // A published result stands as it is; a withheld one is no answer.
    platform::DiscardCrashResult();
    platform::SetLastErrorCode(last_error);
    return;
  }
  // The pending result is kept in memory: the crash's keys go into a copy of it.
  ResultText crash_result = *pending_text_;
  if (!stored_error) {
    crash_result.Set("Info", "ErrorNr", std::to_string(kErrorUnspecified));
    crash_result.Set("Info", "ErrorMsg", GetErrorMessage(kErrorUnspecified));
    crash_result.Set("Info", "DebugInfo", crash_text);
  }
  platform::CrashResult result{pending_file, GetResultFilePath(), crash_result.Serialize()};
  crash_result.Clear();
  if (!platform::PrepareCrashResult(result)) platform::DiscardCrashResult();
  platform::SetLastErrorCode(last_error);
}

}  // namespace radlyn
