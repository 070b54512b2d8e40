// Files and folders. All path arguments and results are program texts (see paths.h). The
// operations refuse, as Windows' ANSI file functions do, a path of 260 characters or more (MAX_PATH
// counts the terminator; last error 3 at 260, 206 beyond), a component holding < > : " | ? * or a
// control character (wildcards aside in a search pattern's last component), and a reserved device
// name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any extension) as the last component (last error
// 123). FreeBytesAvailable measures the nearest folder it can reach instead.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/service.h"

namespace radlyn::platform {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // True when a file or folder of that name exists.
  virtual bool Exists(std::string_view path) = 0;
  virtual bool FolderExists(std::string_view path) = 0;
  // True when the name itself is a symbolic link (or another kind of redirection), whether or not
  // it leads anywhere; writers that must not reach another place ask this first.
  virtual bool IsLink(std::string_view path) = 0;
  // Deletes a file; false when it could not be deleted (a missing file included).
  virtual bool DeleteFile(std::string_view path) = 0;
  // The full path of the first file that matches a wildcard pattern (`*`, `?` in the last
  // component, case-insensitive), or std::nullopt. Folders never match. A long name matches also
  // through its 8.3 short name, whose extension is the first three characters of the long one's:
  // "*.tif" finds "x.tiff", "x.tif~" and "Long Name Here.tiff" (wherever the volume keeps short
  // names, as the system volume does by default; Linux answers so always).
  virtual std::optional<std::string> FindFirstFile(std::string_view pattern) = 0;
  // Creates a folder and every missing parent; true when the folder exists afterwards.
  virtual bool CreateFolderTree(std::string_view path) = 0;
  // Creates a file for reading and writing, emptying it if it exists, and closes it again. A link
  // of that name is never followed: false.
  virtual bool CreateEmptyFile(std::string_view path) = 0;
  // Creates a new empty file, private to the user where the system allows it, and closes it
  // again. False when anything of that name exists already (a file, a folder, a link, which is
  // never followed; last error kErrorFileExists for a file), so that no one can have placed a
  // file there beforehand.
  virtual bool CreateNewFile(std::string_view path) = 0;
  // Renames the file `from` to `to` in one step, replacing a file of that name: a reader of `to`
  // finds the old file or the whole new one, never a part and never none. `from` must be a file,
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
  // ancestor is measured); std::nullopt when the query fails. An empty root means the current
  // folder's volume.
  virtual std::optional<std::uint64_t> FreeBytesAvailable(std::string_view root) = 0;
  // Copies everything that matches `source_pattern` (files and sub-folders with their content)
  // into `destination`, creating it and overwriting existing files. False on any failure.
  virtual bool CopyTree(std::string_view source_pattern, std::string_view destination) = 0;
  // The user's temporary folder, ending with a separator; empty when it has no name in the
  // program's texts (Windows: no ANSI form, not even its short one, names it).
  virtual std::string TempFolder() = 0;
  // Atomically creates a new empty file with an unpredictable name ending in ".tmp" in `folder`
  // and answers its path.
  virtual std::optional<std::string> CreateUniqueTempFile(std::string_view folder,
                                                          std::string_view prefix) = 0;
  virtual std::string CurrentFolder() = 0;
  virtual bool SetCurrentFolder(std::string_view path) = 0;
  // Full path of the running program file.
  virtual std::string ProgramFilePath() = 0;

  static FileSystem& Native();
};

inline FileSystem& GetFileSystem() { return Service<FileSystem>::Get(); }

// Files under contention. On Windows a file that another program holds open without
// FILE_SHARE_DELETE cannot be deleted, renamed or replaced, and one that is being deleted while
// still open refuses to be opened; virus scanners, indexers and backup agents open fresh files
// right after they are closed, and clients read the result file. A data folder on a server adds
// passing network errors. Radlyn's own operations on its files in the data and output folders
// (deleting the old result file, writing, publishing and discarding the pending result, the
// output folder's probe file, deleting an old image) therefore go through RetryTransientFailures:
// an operation that fails with a transient error (IsTransientFileError: sharing violation 32,
// lock violation 33, access denied 5, network errors 54, 55, 59, 64, 121) is tried again up to
// 10 times, after waits of 100, 200, ... 1000 ms: at most 5.5 s in all before its failure stands.
// The waits go through the clock service (clock.h). Any other failure stands at once. The
// FileSystem methods themselves try once; Morlund's own writes are not retried.
inline constexpr int kMaxTransientRetries = 10;
inline constexpr std::uint32_t kTransientRetryStepMs = 100;  // the n-th wait is n times this

// True for the last-error codes that another program's hold on a file, or a passing network
// fault, can cause.
bool IsTransientFileError(std::uint32_t code);

// After a failed try: when the last error is transient and fewer than kMaxTransientRetries
// retries were made, waits (retry + 1) * kTransientRetryStepMs and answers true. The last error
// is left as the failure set it.
bool WaitBeforeRetry(int retries_made);

// Runs `operation` (which answers true on success and sets the last error on failure) until it
// succeeds, fails with an error that is not transient, or has been retried kMaxTransientRetries
// times.
template <typename Operation>
bool RetryTransientFailures(Operation&& operation) {
  for (int retries = 0;; ++retries) {
    if (operation()) return true;
    if (!WaitBeforeRetry(retries)) return false;
  }
}

}  // namespace radlyn::platform
