#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "core/native_files.h"

namespace hostsim::native {

bool AppendInOneWrite(const std::string& path, std::string_view bytes) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  // O_APPEND makes the single write land at the end as one piece.
  ssize_t written = write(fd, bytes.data(), bytes.size());
  close(fd);
  return written == static_cast<ssize_t>(bytes.size());
}

std::string CreateSibling(const std::string& path) {
  std::string pattern = path + ".hostsim-XXXXXX";
  int fd = mkstemp(pattern.data());
  if (fd < 0) return {};
  // Keep the mode of a file that is replaced, else what the umask allows.
  struct stat existing {};
  mode_t mode;
  if (stat(path.c_str(), &existing) == 0) {
    mode = existing.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  fchmod(fd, mode);
  close(fd);
  return pattern;
}

bool MoveOver(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool IsOtherThanFile(const std::string& path) {
  struct stat target {};
  return stat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode);
}

}  // namespace hostsim::native
