// Files and folders. All path arguments and results are program texts (see paths.h). The
// operations refuse, as Windows' ANSI file functions do, a path of 260 characters or more (MAX_PATH
// counts the terminator; last error 3 at 260, 206 beyond), a component holding < > : " | ? * or a
// control character (wildcards aside in a search pattern's last component), and a reserved device
// name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any extension) as the last component (last error
// 123). FreeBytesAvailable measures the nearest folder it can reach instead. "..", "." steps are
// resolved in the text before the path is used, as Windows does, so a folder stepped over is
// neither required nor created. Linux knows no drives: a path that starts with a drive ("C:")
// is refused as Windows refuses a missing drive (path not found, 3).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/service.h"
#include "platform/windows_codes.h"

namespace radlyn::platform {

// A file this process created for itself (FileSystem::CreateOwnFile) and writes only through
// this object, never by its name again. Destroying it closes the file.
class OwnFile {
 public:
  virtual ~OwnFile() = default;
  // Makes `bytes` the file's whole content and flushes it to the disk. False (last error set)
  // when it cannot be written, as on a full disk.
  virtual bool Rewrite(std::string_view bytes) = 0;
  // True when the name the file was created under still names this very file. False when
  // something else stands there now (another file, a link; last error kWinFileExists) or
  // nothing does (kWinFileNotFound): the name was taken over by someone who may write the folder.
  virtual bool HoldsItsName() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // True when a file or folder of that name exists. False with last error kWinFileNotFound or
  // kWinPathNotFound (IsNotFoundError) when nothing of that name is there; false with another
  // last error when the question could not be answered (a share that stops answering, a name the
  // system refuses, no right to look): a caller that must know a file is gone checks which.
  virtual bool Exists(std::string_view path) = 0;
  virtual bool FolderExists(std::string_view path) = 0;
  // True when the name itself is a symbolic link (or another kind of redirection), whether or not
  // it leads anywhere; writers that must not reach another place ask this first.
  virtual bool IsLink(std::string_view path) = 0;
  // Deletes a file; false when it could not be deleted (a missing file included). A read-only
  // file is refused with access denied (5): Windows' read-only attribute, on Linux a file that
  // grants no write permission.
  virtual bool DeleteFile(std::string_view path) = 0;
  // Clears a file's read-only mark (the attribute; on Linux gives its owner write permission),
  // so that it may be deleted or written. True when the file is not read-only afterwards.
  virtual bool MakeWritable(std::string_view path) = 0;
  // The full path of the first file that matches a wildcard pattern (`*`, `?` in the last
  // component, case-insensitive), or std::nullopt. Folders never match. A long name matches also
  // through its 8.3 short name, whose extension is the first three characters of the long one's:
  // "*.tif" finds "x.tiff", "x.tif~" and "Long Name Here.tiff" (wherever the volume keeps short
  // names, as the system volume does by default; Linux answers so always).
  virtual std::optional<std::string> FindFirstFile(std::string_view pattern) = 0;
  // The full paths of every file that matches `pattern` as for FindFirstFile, in the folder's
  // order; empty when none does or the folder cannot be read.
  virtual std::vector<std::string> FindFiles(std::string_view pattern) = 0;
  // Creates a folder and every missing parent; true when the folder exists afterwards.
  virtual bool CreateFolderTree(std::string_view path) = 0;
  // Creates a folder (not its parents) that only the current user may use, or accepts one that
  // is already that user's own: Linux mode 0700 and owned by the user (a mode open to others is
  // narrowed); Windows an access list that grants the user alone. A link or other reparse point
  // at the name is never followed: false (kWinAccessDenied), as for another user's folder.
  virtual bool CreatePrivateFolder(std::string_view path) = 0;
  // Creates a file for reading and writing, emptying it if it exists, and closes it again. A link
  // of that name is never followed: false.
  virtual bool CreateEmptyFile(std::string_view path) = 0;
  // Creates a new empty file, private to the user where the system allows it, and closes it
  // again. False when anything of that name exists already (a file, a folder, a link, which is
  // never followed; last error kWinFileExists for a file), so that no one can have placed a
  // file there beforehand.
  virtual bool CreateNewFile(std::string_view path) = 0;
  // Creates a new plain file for this process alone to write and keeps it open: std::nullopt
  // (last error set) when it cannot be created. Anything of that name that exists already is
  // neither opened nor followed (a file, folder, link or other reparse point: kWinFileExists).
  // Others may read the file while it is open; on Windows none may write, delete or rename it
  // meanwhile, while on Linux whoever may write the folder can still put something else under
  // the name (OwnFile::HoldsItsName tells). The file is created with the mode a new file gets
  // (Linux: 0666 less the umask).
  virtual std::unique_ptr<OwnFile> CreateOwnFile(std::string_view path) = 0;
  // Renames the file `from` to `to` in one step, replacing a file of that name: a reader of `to`
  // finds the old file or the whole new one, never a part and never none. `from`'s content
  // reaches the disk before the rename does. `from` must be a file,
  // `to` must not be a folder, and an existing `to` must be writable (a link there is replaced,
  // never followed). False on failure, with nothing changed.
  virtual bool RenameFile(std::string_view from, std::string_view to) = 0;
  // The whole content of a file, or std::nullopt when it cannot be opened or read. Opening
  // denies no other process any access. `opened` (when given) tells whether the file could be
  // opened, so that a file that may not be opened (a folder, no access) can be told apart from
  // one whose reading failed.
  virtual std::optional<std::string> ReadWholeFile(std::string_view path, bool* opened) = 0;
  std::optional<std::string> ReadWholeFile(std::string_view path) {
    return ReadWholeFile(path, nullptr);
  }
  // Opens for appending (creating the file), writes `bytes`, flushes, closes. False when the
  // file cannot be opened or written.
  virtual bool AppendToFile(std::string_view path, std::string_view bytes) = 0;
  // Bytes free for the calling user on the volume that holds `root` (the nearest existing
  // ancestor on that volume is measured, never a folder above the volume's root: a drive's "C:\"
  // or a share's "\\server\share\"); std::nullopt when the query fails, as for a share that
  // cannot be reached or a missing drive. An empty root means the current folder's volume.
  virtual std::optional<std::uint64_t> FreeBytesAvailable(std::string_view root) = 0;
  // Copies everything that matches `source_pattern` (files and sub-folders with their content)
  // into `destination`, creating it and overwriting existing files. False on any failure.
  virtual bool CopyTree(std::string_view source_pattern, std::string_view destination) = 0;
  // The user's temporary folder, ending with a separator; empty when it has no name in the
  // program's texts (Windows: no ANSI form, not even its short one, names it).
  virtual std::string TempFolder() = 0;
  // Atomically creates a new empty file with an unpredictable name in `folder`, `prefix` (whole)
  // followed by random characters and ".tmp", and answers its path. Nothing that stood at that
  // name is used (a link included).
  virtual std::optional<std::string> CreateUniqueTempFile(std::string_view folder,
                                                          std::string_view prefix) = 0;
  virtual std::string CurrentFolder() = 0;
  virtual bool SetCurrentFolder(std::string_view path) = 0;
  // Full path of the running program file.
  virtual std::string ProgramFilePath() = 0;

  static FileSystem& Native();
};

inline FileSystem& GetFileSystem() { return Service<FileSystem>::Get(); }

// True for the last errors that say a name is not there (file or path not found), as opposed to
// a lookup that failed.
inline bool IsNotFoundError(std::uint32_t code) {
  return code == kWinFileNotFound || code == kWinPathNotFound;
}

// Files under contention. On Windows a file that another program holds open without
// FILE_SHARE_DELETE cannot be deleted, renamed or replaced, and one that is being deleted while
// still open refuses to be opened; virus scanners, indexers and backup agents open fresh files
// right after they are closed (or map them: 1224), and clients read the result file. A data
// folder on a server adds passing network errors. Radlyn's own operations on its files in the data
// and output folders (deleting the old result file, writing, publishing and discarding the pending
// result, the output folder's probe file, deleting an old image) therefore go through
// RetryTransientFailures: an operation that fails with a transient error (IsTransientFileError:
// access denied 5, sharing violation 32, lock violation 33, the network errors 53, 54, 55, 59, 64,
// 67, 121 and 1231, user-mapped file 1224) is tried again after waits of 100, 200, ... 1000 ms,
// at most 10 retries (5.5 s) per operation and at most kJobRetryBudgetMs (10 s) of waiting for
// the whole job, counted in one RetryBudget, of which kPublishRetryReserveMs (3 s) are kept for
// the publishing rename. Any other failure stands at once, a write-protected
// volume (19, also Linux's read-only file system) among them: it does not pass. The waits go
// through the clock service (clock.h), which handles the thread's messages while it waits on
// Windows. The FileSystem methods themselves try once; Morlund's own writes are not retried.
inline constexpr int kMaxTransientRetries = 10;
inline constexpr std::uint32_t kTransientRetryStepMs = 100;  // the n-th wait is n times this
inline constexpr std::uint32_t kJobRetryBudgetMs = 10000;
// The part of the job's budget that only the publishing of its result may spend: holds earlier in
// the job cannot use it up, so the result of an exposure that happened still gets its waits.
inline constexpr std::uint32_t kPublishRetryReserveMs = 3000;

// The retry waits one job may still spend. Until ReleaseReserve, `reserve_ms` of the limit stays
// untouched.
class RetryBudget {
 public:
  explicit RetryBudget(std::uint32_t limit_ms = kJobRetryBudgetMs,
                       std::uint32_t reserve_ms = kPublishRetryReserveMs)
      : limit_ms_(limit_ms), reserve_ms_(reserve_ms < limit_ms ? reserve_ms : limit_ms) {}
  std::uint32_t WaitedMs() const { return waited_ms_; }
  std::uint32_t RemainingMs() const {
    const std::uint32_t usable = limit_ms_ - reserve_ms_;
    return usable > waited_ms_ ? usable - waited_ms_ : 0;
  }
  void Spend(std::uint32_t ms) { waited_ms_ += ms < RemainingMs() ? ms : RemainingMs(); }
  // From now on the reserve may be spent as well (the result is being published).
  void ReleaseReserve() { reserve_ms_ = 0; }

 private:
  std::uint32_t limit_ms_;
  std::uint32_t reserve_ms_;
  std::uint32_t waited_ms_ = 0;
};

// True for the last-error codes that another program's hold on a file, or a passing network
// fault, can cause.
bool IsTransientFileError(std::uint32_t code);

// After a failed try: when the last error is transient, fewer than kMaxTransientRetries retries
// were made and the budget is not spent, waits (retry + 1) * kTransientRetryStepMs (no longer
// than the budget left), takes it from the budget and answers true. The last error is left as
// the failure set it.
bool WaitBeforeRetry(int retries_made, RetryBudget& budget);

// Runs `operation` (which answers true on success and sets the last error on failure) until it
// succeeds, fails with an error that is not transient, has been retried kMaxTransientRetries
// times or has spent the budget.
template <typename Operation>
bool RetryTransientFailures(RetryBudget& budget, Operation&& operation) {
  for (int retries = 0;; ++retries) {
    if (operation()) return true;
    if (!WaitBeforeRetry(retries, budget)) return false;
  }
}

}  // namespace radlyn::platform
