// Named mutexes on Linux: an exclusive, non-blocking flock on "<runtime folder>/<name>.lock". The
// lock lives as long as the open file, i.e. as long as the handle (or the process), and is
// released by the kernel even when the process dies. The file itself stays.
//
// A lock that is held elsewhere answers "already exists". A lock that cannot be taken at all (a
// file system without locks, the kernel out of lock records) answers "access denied" with no
// handle, as a mutex that may not be opened does: the caller never runs unguarded.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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

std::string LockFilePath(std::string_view name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string path = runtime != nullptr && *runtime != '\0' ? runtime : "/tmp";
  path.push_back('/');
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
    // Close-on-exec: a child process must not inherit the lock and keep it after we end.
    int fd = open(LockFilePath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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
