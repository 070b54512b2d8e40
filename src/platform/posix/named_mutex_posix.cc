// Named mutexes on Linux: an exclusive, non-blocking flock on "<lock folder>/<name>.lock", in a
// folder only this user may write (LockFilePath), so no other user can hold or plant it. The
// lock lives as long as the open file, i.e. as long as the handle (or the process), and is
// released by the kernel even when the process dies. The file itself stays.
//
// A lock that is held elsewhere answers "already exists". A lock that cannot be taken at all (a
// file system without locks, the kernel out of lock records) answers "access denied" with no
// handle, as a mutex that may not be opened does: the caller never runs unguarded. So does a
// lock folder that is not this user's own (the debug output says so).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/debug_output.h"
#include "platform/last_error.h"
#include "platform/named_mutex.h"
#include "platform/posix/lock_file_mutexes.h"
#include "platform/posix/os_error.h"

namespace radlyn::platform {
namespace {

class LockFileHandle : public NamedMutexHandle {
 public:
  explicit LockFileHandle(int fd) : fd_(fd) {}
  ~LockFileHandle() override {
    if (fd_ >= 0) close(fd_);
  }
  LockFileHandle(const LockFileHandle&) = delete;
  LockFileHandle& operator=(const LockFileHandle&) = delete;

 private:
  int fd_;
};

// This user's folder for lock files below the temporary folder ($TMPDIR, else /tmp), where any
// user may put files of any name: "radlyn-<uid>", created 0700. One that is a link, no folder,
// another user's, or open to others is refused (last error set): a lock there could be held or
// swapped by someone else.
std::optional<std::string> PrivateLockFolder() {
  const char* temp = std::getenv("TMPDIR");
  std::string folder = temp != nullptr && temp[0] == '/' ? temp : "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  folder += "/radlyn-" + std::to_string(geteuid());
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    SetLastErrorFromErrno(errno);
    return std::nullopt;
  }
  struct stat info;
  if (lstat(folder.c_str(), &info) != 0) {
    SetLastErrorFromErrno(errno);
    return std::nullopt;
  }
  if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid() || (info.st_mode & 077) != 0) {
    SetLastErrorCode(kWinAccessDenied);
    return std::nullopt;
  }
  return folder;
}

// "<folder>/<name>.lock" in the session's runtime folder ($XDG_RUNTIME_DIR, private to the user
// by the system), else in PrivateLockFolder.
std::optional<std::string> LockFilePath(std::string_view name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::optional<std::string> folder;
  if (runtime != nullptr && *runtime != '\0') {
    folder = runtime;
  } else {
    folder = PrivateLockFolder();
  }
  if (!folder) return std::nullopt;
  std::string path = *folder + '/';
  // A name is one file name: separators (Windows names may hold "Global\") cannot climb out.
  for (char c : name) path.push_back(c == '/' || c == '\\' || c == '\0' ? '_' : c);
  return path + ".lock";
}

class PosixNamedMutexes : public NamedMutexes {
 public:
  explicit PosixNamedMutexes(LockCall lock) : lock_(lock) {}

  NamedMutexResult Create(std::string_view name) override {
    NamedMutexResult result;
    if (name.empty()) {  // an unnamed mutex is private to its creator
      result.handle = std::make_unique<LockFileHandle>(-1);
      return result;
    }
    std::optional<std::string> path = LockFilePath(name);
    if (!path) {
      WriteDebugOutput("Radlyn: no private folder for the lock '" + std::string(name) +
                       "': the temporary folder's radlyn-<uid> is another user's, a link, or open "
                       "to others");
      result.creation_error = kWinAccessDenied;
      SetLastErrorCode(result.creation_error);
      return result;
    }
    // Close-on-exec: a child process must not inherit the lock and keep it after we end. A link
    // at the lock's name is never followed.
    int fd = open(path->c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      result.creation_error = WindowsErrorFromErrno(errno);
      SetLastErrorFromErrno(errno);
      return result;
    }
    result.handle = std::make_unique<LockFileHandle>(fd);
    while (lock_(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      if (errno == EWOULDBLOCK) {
        result.creation_error = kWinAlreadyExists;
      } else {
        result.creation_error = kWinAccessDenied;
        result.handle.reset();
      }
      SetLastErrorCode(result.creation_error);
      break;
    }
    return result;
  }

 private:
  LockCall lock_;
};

}  // namespace

std::unique_ptr<NamedMutexes> MakeLockFileMutexes(LockCall lock) {
  return std::make_unique<PosixNamedMutexes>(lock);
}

NamedMutexes& NamedMutexes::Native() {
  static PosixNamedMutexes mutexes(&flock);
  return mutexes;
}

}  // namespace radlyn::platform
