// CJobFrame: what one run of the program knows about its job, and the operations that turn a job
// file into an image file and a result file. The application object builds on it.
//
// It holds the data folder (job and result files; ends with a separator once set), the parent
// window that owns Morlund's acquisition dialogs (0: none), and caches of the program folder and
// the settings-file path, computed on first use. Until a data folder is set the job- and
// result-file paths are the bare file names, and WriteErrorReport writes nothing: there is no
// folder the client looks in, so no stray result file is left in the current folder.
//
// Every outcome reaches the result file through WriteErrorReport, where the first nonzero error
// number is final: a later report, a successful one included, leaves the file alone (also when
// reading the stored number back fails, for one this object wrote). A nonzero report is also
// written to the event log. A published success is final too: a failure reported after it (a
// fault in the teardown) only adds its DebugInfo and an event-log line.
//
// A job's result is pending while the job runs: from BeginResult on, every result key goes to a
// file beside the result file, and PublishResult renames that file over the result file in one
// step. A job that dies on the way (killed) therefore leaves no result file rather than one that
// reads ErrorNr=0 before an image exists; a module that crashes it leaves the crash's report
// (99, see PrepareCrashResult). What such a job left pending is deleted by the next BeginResult.
//
// The result file is never written through a link: a report whose file is a link is not written.
// The pending file is created once by BeginResult, exclusively (whatever stood at its name is
// removed by name first, never opened), and every key goes through that handle; its keys are
// kept in memory, so a report reads its stored number from there. If anything else stands at
// the name when the result is published (a link or another file put there by someone who may
// write the data folder), the result is withheld as below, what stands there is left alone, and
// the event log says what it is.
// A report whose error number cannot be written (a full disk, a link planted as the pending file)
// withholds the result: PublishResult then deletes the pending file instead of renaming it, since
// what it holds may read ErrorNr=0 from the client's initialisation, and later reports write
// nothing. The client then finds no result file, as after a death. So does a successful job one
// of whose result keys (the image path, the patient data, ...) could not be written: a result
// that reads success without them would tell the client of no image, or of the wrong patient. A
// failed job reports its error number all the same.
//
// The result files are the program's own files under contention (platform/file_system.h): their
// deletes, key writes and the publishing rename (and the job's output-folder operations) wait out
// another program's hold on them within the bounds stated there, one budget for the whole job. A
// result file that one write could not reach within it is not waited on again by later writes of
// the job, so a file held through the whole job costs that wait once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "job/host_link_port.h"
#include "platform/file_system.h"
#include "platform/ui.h"

namespace radlyn {

class ResultText;

class CJobFrame {
 public:
  // `link` defaults to the process's host link.
  explicit CJobFrame(HostLinkPort* link = nullptr);
  virtual ~CJobFrame();
  CJobFrame(const CJobFrame&) = delete;
  CJobFrame& operator=(const CJobFrame&) = delete;

  void SetDataFolder(std::string folder);
  bool HasDataFolder() const { return has_data_folder_; }
  const std::string& GetDataFolder() const { return data_folder_; }
  void SetParentWindow(platform::WindowHandle window) { parent_window_ = window; }
  platform::WindowHandle GetParentWindow() const { return parent_window_; }

  std::string GetJobFilePath() const;
  std::string GetResultFilePath() const;
  std::string GetPendingResultFilePath() const;
  const std::string& GetProgramFolder();
  const std::string& GetSettingsFilePath();

  void WriteErrorReport(std::int32_t error_number, std::string_view debug_text);

  // Deletes the result file of an earlier job; a missing file is no error, a read-only one is made
  // writable and deleted. A file that is still there afterwards would tell the client an earlier
  // job's outcome as this one's: when it can be written, it gets this failure (8, its message and
  // the cause) in place of the earlier outcome; the event log says why, every later report of
  // this run writes nothing, and the answer is false. The job must then not run.
  bool RemoveOldResult();
  // Deletes a pending file left by an earlier job and makes this job's result pending. When that
  // file cannot be deleted the job must not run: the report (8, naming the file) goes straight to
  // the result file and the answer is false.
  bool BeginResult();
  // Renames the pending file over the result file; afterwards reports go straight to the result
  // file again, and one of success no longer writes it (the published outcome stands as it is).
  // Nothing happens when no result is pending. Until a rename succeeds the result stays pending:
  // a later report never creates a result file the job's reports did not reach. A rename that
  // fails (a pending file that is not there included) is written to the event log.
  void PublishResult();
  // True once a report could not write its error number.
  bool ResultWriteFailed() const { return outcome_unwritten_; }
  // Prepares what a crash leaves (platform/crash_result.h), as WriteErrorReport would report it
  // (99 and the crash text; a stored error stays) and PublishResult would publish it; while no
  // result is pending, only the event-log line. Called whenever the job's result changes.
  void PrepareCrashResult();

  // Attaches the host link under the job's client name and reports the outcome; 0 on success.
  std::int32_t InitializeClient();
  // Runs the job from take type to result file and reports the outcome; 0 on success.
  std::int32_t RunAcquisitionJob();

 protected:
  HostLinkPort& link() { return *link_; }

 private:
  // Where result keys go now: the pending file while the result is pending, else the result file.
  std::string ResultWritePath() const;
  // A key of the job's result; one that cannot be written withholds a successful job's result.
  void WriteResultText(std::string_view section, std::string_view key, std::string_view value);
  void WriteResultInt(std::string_view section, std::string_view key, std::int32_t value);
  // Whether a report may write `result_file` (the result file itself, not the pending one): no
  // link, and no nonzero number stored there yet.
  bool MayReportInto(const std::string& result_file);
  // Writes one key into `path`, retrying transient failures (see the class comment).
  bool WriteResultKey(std::string_view section, std::string_view key, std::string_view value,
                      const std::string& path);
  // The event-log line of a failed operation on one of the job's files: `what` failed on `path`,
  // with the operation, the folder, the error and the retry waits spent.
  void LogFileFailure(std::string_view what, const std::string& path, std::string_view operation,
                      std::uint32_t error, std::string_view reason = {});
  // The event-log text of a report with a nonzero error number.
  static std::string ReportLogText(std::int32_t error_number, std::string_view debug_text);

  // The steps of RunAcquisitionJob (acquisition_job.cc), in the order it runs them. A step that
  // fails throws the job's failure, after setting the host link's error number where it has one.
  void SetTakeTypeDoctorAndPatient(const std::string& job_file);
  std::string ExpandOutputFolder(const std::string& job_file);  // ends with a separator
  void CheckFreeSpace(const std::string& folder);
  void EmptyOrCreateOutputFolder(const std::string& folder);
  void ProbeOutputFolder(const std::string& folder);  // a file can be created and deleted there
  std::string ChooseFileFormat(const std::string& job_file);  // "tif" or "bmp"
  void TakeAndProcessExposure(const std::string& job_file);
  void SaveImageAndWriteResult(const std::string& folder, const std::string& file_format);

  HostLinkPort* link_;
  std::string data_folder_;
  bool has_data_folder_ = false;
  // Result keys go to the pending file (from BeginResult until a rename publishes it).
  bool keys_go_to_pending_file_ = false;
  // The file does not hold this job's outcome: an error number could not be written, or a
  // success would be reported without all of its keys. Publishing then withholds the result.
  bool outcome_unwritten_ = false;
  // Reports write nothing more: an old result file stayed, or the result was withheld.
  bool reports_suppressed_ = false;
  // A result key (image path, patient data, ...) could not be written.
  bool result_key_lost_ = false;
  // This object wrote a nonzero error number into the file that is now being written.
  bool wrote_nonzero_number_ = false;
  // A write failed with a transient error through the whole retry bound: later writes try once.
  bool held_file_wait_spent_ = false;
  // The pending file has become the result file: a report of success no longer writes it.
  bool result_published_ = false;
  // The last error of a result key that could not be written (for the event log).
  std::uint32_t result_write_error_ = 0;
  // The pending file, open from BeginResult until it is published, and the keys it holds.
  std::unique_ptr<platform::OwnFile> pending_file_;
  std::unique_ptr<ResultText> pending_text_;
  // Why the pending file could not be created (its keys then fail with it).
  std::uint32_t pending_file_error_ = 0;
  // The retry waits of the whole job.
  platform::RetryBudget retry_budget_;
  platform::WindowHandle parent_window_ = 0;
  std::string program_folder_;
  std::string settings_file_path_;
};

}  // namespace radlyn
