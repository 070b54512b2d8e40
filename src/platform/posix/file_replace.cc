#include "platform/posix/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/last_error.h"
#include "platform/posix/fd_io.h"
#include "platform/posix/native_path.h"
#include "platform/posix/os_error.h"

namespace radlyn::platform {
namespace {

// The process's file-creation mask, read without changing it (umask() would, for a moment).
mode_t CurrentUmask() {
  mode_t mask = 022;
  if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
      unsigned value = 0;
      if (std::sscanf(line, "Umask: %o", &value) == 1) {
        mask = static_cast<mode_t>(value);
        break;
      }
    }
    std::fclose(status);
  }
  return mask;
}

// Creates a new, exclusive sibling of `target`; -1 on failure.
int CreateSibling(const std::string& target, std::string& sibling_path) {
  static std::atomic<unsigned> counter{0};
  std::string folder = NativeParent(target);
  std::string name = NativeLastComponent(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    sibling_path = folder + "." + name + "." + std::to_string(getpid()) + "." +
                   std::to_string(counter.fetch_add(1)) + ".tmp";
    int fd = open(sibling_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

void SyncFolder(const std::string& folder) {
  int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

bool OverwriteInPlace(const std::string& target, std::string_view content) {
  int fd = open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  bool ok = fd >= 0 && WriteAll(fd, content) && fsync(fd) == 0;
  int error = errno;
  if (fd >= 0 && close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) SetLastErrorFromErrno(error);
  return ok;
}

// The file a write to `native_path` must replace: the target of a symbolic link.
std::string ReplacementTarget(const std::string& native_path) {
  struct stat info;
  if (lstat(native_path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return native_path;
  char* resolved = realpath(native_path.c_str(), nullptr);
  if (resolved == nullptr) return native_path;
  std::string target = resolved;
  std::free(resolved);
  return target;
}

}  // namespace

std::optional<std::string> ReadNativeFile(const std::string& native_path, bool* missing,
                                          bool* opened) {
  if (missing != nullptr) *missing = false;
  if (opened != nullptr) *opened = false;
  // Non-blocking, so that a pipe in place of a file cannot stall the caller; only regular files
  // are read.
  int fd = open(native_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (missing != nullptr) *missing = errno == ENOENT || errno == ENOTDIR;
    SetLastErrorFromErrno(errno);
    return std::nullopt;
  }
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    SetLastErrorFromErrno(EACCES);
    close(fd);
    return std::nullopt;
  }
  if (opened != nullptr) *opened = true;
  std::string content;
  char buffer[8192];
  for (;;) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      SetLastErrorFromErrno(errno);
      close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    content.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  return content;
}

bool ReplaceNativeFile(const std::string& native_path, std::string_view content) {
  std::string target = ReplacementTarget(native_path);
  struct stat old_info;
  bool exists = stat(target.c_str(), &old_info) == 0;
  if (exists && !S_ISREG(old_info.st_mode)) {
    SetLastErrorFromErrno(EISDIR);
    return false;
  }
  // Renaming over a file needs no right to the file itself: check it, so that a read-only file
  // stays read-only as it would when written in place.
  if (exists && access(target.c_str(), W_OK) != 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }

  std::string sibling;
  int fd = CreateSibling(target, sibling);
  if (fd < 0 && exists && (errno == EACCES || errno == EPERM)) {
    // A folder that takes no new file (write granted, delete not) still lets its existing file
    // be written, in place, as the workstation's profile writer always writes it.
    return OverwriteInPlace(target, content);
  }
  if (fd < 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  mode_t mode = exists ? (old_info.st_mode & 07777) : (0666 & ~CurrentUmask());
  bool ok = fchmod(fd, mode) == 0;
  if (ok && exists && (old_info.st_uid != geteuid() || old_info.st_gid != getegid())) {
    // Only a privileged process can hand the file back to its owner; others keep theirs.
    if (fchown(fd, old_info.st_uid, old_info.st_gid) != 0) errno = 0;
  }
  ok = ok && WriteAll(fd, content) && fsync(fd) == 0;
  int error = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && rename(sibling.c_str(), target.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(sibling.c_str());
    SetLastErrorFromErrno(error);
    return false;
  }
  SyncFolder(NativeParent(target));
  return true;
}

bool RenameNativeFile(const std::string& from, const std::string& to) {
  struct stat source;
  if (lstat(from.c_str(), &source) != 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  if (!S_ISREG(source.st_mode)) {
    SetLastErrorFromErrno(EACCES);
    return false;
  }
  // As on the workstation, a folder or a read-only file is never replaced; a link is replaced
  // itself, so nothing is written where it points.
  struct stat target;
  if (lstat(to.c_str(), &target) == 0 && !S_ISLNK(target.st_mode)) {
    if (S_ISDIR(target.st_mode) || access(to.c_str(), W_OK) != 0) {
      SetLastErrorFromErrno(S_ISDIR(target.st_mode) ? EACCES : errno);
      return false;
    }
  }
  int fd = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
  if (rename(from.c_str(), to.c_str()) != 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  SyncFolder(NativeParent(to));
  return true;
}

namespace {

class NativeOwnFile final : public OwnFile {
 public:
  NativeOwnFile(int fd, std::string native_path) : fd_(fd), native_path_(std::move(native_path)) {}
  ~NativeOwnFile() override { close(fd_); }
  NativeOwnFile(const NativeOwnFile&) = delete;
  NativeOwnFile& operator=(const NativeOwnFile&) = delete;

  bool Rewrite(std::string_view bytes) override {
    if (lseek(fd_, 0, SEEK_SET) == 0 && WriteAll(fd_, bytes) &&
        ftruncate(fd_, static_cast<off_t>(bytes.size())) == 0 && fsync(fd_) == 0) {
      return true;
    }
    SetLastErrorFromErrno(errno);
    return false;
  }

  bool HoldsItsName() override {
    struct stat mine;
    struct stat named;
    if (fstat(fd_, &mine) != 0) {
      SetLastErrorFromErrno(errno);
      return false;
    }
    if (lstat(native_path_.c_str(), &named) != 0) {
      SetLastErrorFromErrno(errno);
      return false;
    }
    if (named.st_dev == mine.st_dev && named.st_ino == mine.st_ino) return true;
    SetLastErrorCode(kWinFileExists);
    return false;
  }

 private:
  int fd_;
  std::string native_path_;
};

}  // namespace

std::unique_ptr<OwnFile> CreateNativeOwnFile(const std::string& native_path) {
  // The mode of any new file (0666 less the umask): the client reads the result as before.
  const int fd =
      open(native_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int error = errno;
    if (error == EEXIST) {
      SetLastErrorCode(kWinFileExists);
    } else {
      SetLastErrorFromErrno(error);
    }
    return nullptr;
  }
  return std::make_unique<NativeOwnFile>(fd, native_path);
}

}  // namespace radlyn::platform
