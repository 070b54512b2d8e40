// Files and folders on Linux. Every path argument passes ToNativePath (separators, code page,
// case) after Windows' checks of length and names; every name handed back is a program text
// again.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/file_system.h"
#include "platform/last_error.h"
#include "platform/paths.h"
#include "platform/posix/fd_io.h"
#include "platform/posix/file_replace.h"
#include "platform/posix/native_path.h"
#include "platform/posix/os_error.h"
#include "platform/posix/text_encoding.h"
#include "platform/posix/wildcard.h"

namespace radlyn::platform {
namespace {

// Deeper folder trees than this are taken for a loop of links (or a copy into itself).
constexpr int kMaxCopyDepth = 64;

bool Fail(int error = errno) {
  SetLastErrorFromErrno(error);
  return false;
}

bool IsReadOnly(const struct stat& info) { return (info.st_mode & 0222) == 0; }

// The length of a share's root "//server/share" at the start of a native path (0: no share).
std::size_t ShareRootLength(const std::string& native) {
  if (native.size() < 3 || native[0] != '/' || native[1] != '/' || native[2] == '/') return 0;
  const std::size_t server_end = native.find('/', 2);
  if (server_end == std::string::npos) return native.size();
  const std::size_t share_end = native.find('/', server_end + 1);
  return share_end == std::string::npos ? native.size() : share_end;
}

bool IsFolder(const std::string& native) {
  struct stat info;
  return stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A program-text pattern split into its folder part (with its trailing separator, as written)
// and its last component.
struct SplitPattern {
  std::string_view folder;
  std::string_view last;
};

SplitPattern SplitLastComponent(std::string_view text) {
  std::size_t cut = text.size();
  while (cut > 0 && !IsPathSeparator(text[cut - 1])) --cut;
  return {text.substr(0, cut), text.substr(cut)};
}

// The names in a native folder in the workstation's folder order, without "." and "..";
// std::nullopt when unreadable.
std::optional<std::vector<std::string>> ListFolder(const std::string& native_dir) {
  DIR* dir = opendir(native_dir.empty() ? "." : native_dir.c_str());
  if (dir == nullptr) {
    SetLastErrorFromErrno(errno);
    return std::nullopt;
  }
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  closedir(dir);
  SortInFolderOrder(names);
  return names;
}

bool MakeFolders(const std::string& native) {
  if (native.empty()) return Fail(ENOENT);
  if (IsFolder(native)) return true;
  std::string parent = NativeParent(native);
  while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
  if (!parent.empty() && parent != native && !IsFolder(parent) && !MakeFolders(parent)) {
    return false;
  }
  if (mkdir(native.c_str(), 0777) == 0 || (errno == EEXIST && IsFolder(native))) return true;
  return Fail();
}

// Creates a folder (a program text without trailing separators) and its missing parents, each
// level mapped on its own as Windows maps the name it creates: "out \" makes "out" (a last
// component loses trailing blanks) and then fails one level down, where "out " stays as written.
bool MakeFolderTree(std::string_view text) {
  std::optional<std::string> native = CheckedNativePath(text);
  if (!native) return false;
  if (native->empty()) return Fail(ENOENT);
  if (IsFolder(*native)) return true;
  std::string_view parent = text;
  while (!parent.empty() && !IsPathSeparator(parent.back())) parent.remove_suffix(1);
  while (parent.size() > 1 && IsPathSeparator(parent.back())) parent.remove_suffix(1);
  if (!parent.empty() && parent.size() < text.size()) {
    std::optional<std::string> native_parent = CheckedNativePath(parent);
    if (!native_parent) return false;
    if (!IsFolder(*native_parent) && !MakeFolderTree(parent)) return false;
  }
  if (mkdir(native->c_str(), 0777) == 0 || (errno == EEXIST && IsFolder(*native))) return true;
  return Fail();
}

// Opens an existing target for overwriting. A copy takes the source's permissions, so a
// read-only source leaves a read-only target that the next copy must still replace: a target
// file of our own that is not writable gets its owner's write permission first.
int OpenTarget(const std::string& to, mode_t mode) {
  const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
  int out = open(to.c_str(), flags, mode & 0777);
  struct stat target;
  if (out < 0 && errno == EACCES && stat(to.c_str(), &target) == 0 && S_ISREG(target.st_mode) &&
      target.st_uid == geteuid() && chmod(to.c_str(), (target.st_mode & 07777) | S_IWUSR) == 0) {
    out = open(to.c_str(), flags, mode & 0777);
  }
  return out;
}

bool CopyFileContent(const std::string& from, const std::string& to, mode_t mode) {
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return Fail();
  int out = OpenTarget(to, mode);
  if (out < 0) {
    int error = errno;
    close(in);
    return Fail(error);
  }
  bool ok = true;
  char buffer[65536];
  for (;;) {
    ssize_t got = read(in, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    if (!WriteAll(out, std::string_view(buffer, static_cast<std::size_t>(got)))) {
      ok = false;
      break;
    }
  }
  int error = errno;
  close(in);
  if (close(out) != 0 && ok) {
    ok = false;
    error = errno;
  }
  return ok || Fail(error);
}

// Copies one file or folder (with its content) to `to`; names in existing destination folders
// are matched without regard to case, as the source would be on the workstation.
bool CopyEntry(const std::string& from, const std::string& to, int depth) {
  if (depth > kMaxCopyDepth) return Fail(ELOOP);
  struct stat source;
  if (stat(from.c_str(), &source) != 0) return Fail();
  struct stat destination;
  bool exists = stat(to.c_str(), &destination) == 0;
  if (exists && destination.st_dev == source.st_dev && destination.st_ino == source.st_ino) {
    return true;  // copying a thing onto itself leaves it as it is
  }
  if (S_ISREG(source.st_mode)) return CopyFileContent(from, to, source.st_mode);
  if (!S_ISDIR(source.st_mode)) return true;  // devices, pipes and sockets are not copied
  if (!MakeFolders(to)) return false;
  std::optional<std::vector<std::string>> names = ListFolder(from);
  if (!names) return false;
  for (const std::string& name : *names) {
    std::string target = FindNameIgnoringCase(to, NativeToAnsi(name)).value_or(name);
    if (!CopyEntry(JoinNative(from, name), JoinNative(to, target), depth + 1)) return false;
  }
  return true;
}

class PosixFileSystem : public FileSystem {
 public:
  bool Exists(std::string_view path) override {
    std::optional<std::string> native = CheckedNativePath(path);
    struct stat info;
    if (!native) return false;
    if (stat(native->c_str(), &info) == 0) return true;
    return Fail();
  }

  bool FolderExists(std::string_view path) override {
    std::optional<std::string> native = CheckedNativePath(path);
    struct stat info;
    if (!native) return false;
    if (stat(native->c_str(), &info) != 0) return Fail();
    return S_ISDIR(info.st_mode) || Fail(ENOTDIR);
  }

  bool IsLink(std::string_view path) override {
    std::optional<std::string> native = CheckedNativePath(path);
    struct stat info;
    if (!native) return false;
    if (lstat(native->c_str(), &info) != 0) return Fail();
    return S_ISLNK(info.st_mode) || Fail(EINVAL);
  }

  bool DeleteFile(std::string_view path) override {
    std::optional<std::string> native = CheckedNativePath(path);
    if (!native) return false;
    if (IsFolder(*native)) return Fail(EACCES);
    // Windows refuses to delete a read-only file; a file that grants no write permission is that.
    struct stat info;
    if (lstat(native->c_str(), &info) == 0 && S_ISREG(info.st_mode) && IsReadOnly(info)) {
      return Fail(EACCES);
    }
    return unlink(native->c_str()) == 0 || Fail();
  }

  bool MakeWritable(std::string_view path) override {
    std::optional<std::string> native = CheckedNativePath(path);
    if (!native) return false;
    struct stat info;
    if (lstat(native->c_str(), &info) != 0) return Fail();
    if (!S_ISREG(info.st_mode) || !IsReadOnly(info)) return true;
    return chmod(native->c_str(), (info.st_mode & 07777) | S_IWUSR) == 0 || Fail();
  }

  std::optional<std::string> FindFirstFile(std::string_view pattern) override {
    if (!CheckedNativePath(pattern, PathUse::kSearchPattern)) return std::nullopt;
    SplitPattern split = SplitLastComponent(pattern);
    std::string native_dir = ToNativePath(split.folder);
    std::optional<std::vector<std::string>> names = ListFolder(native_dir);
    if (!names) return std::nullopt;
    for (const std::string& name : *names) {
      std::string ansi_name = NativeToAnsi(name);
      if (!MatchWildcard(split.last, ansi_name)) continue;
      struct stat info;
      if (stat(JoinNative(native_dir, name).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        continue;
      }
      return std::string(split.folder) + ansi_name;
    }
    Fail(ENOENT);
    return std::nullopt;
  }

  std::vector<std::string> FindFiles(std::string_view pattern) override {
    std::vector<std::string> found;
    if (!CheckedNativePath(pattern, PathUse::kSearchPattern)) return found;
    SplitPattern split = SplitLastComponent(pattern);
    std::string native_dir = ToNativePath(split.folder);
    std::optional<std::vector<std::string>> names = ListFolder(native_dir);
    if (!names) return found;
    for (const std::string& name : *names) {
      std::string ansi_name = NativeToAnsi(name);
      struct stat info;
      if (MatchWildcard(split.last, ansi_name) &&
          lstat(JoinNative(native_dir, name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        found.push_back(std::string(split.folder) + ansi_name);
      }
    }
    return found;
  }

  bool CreatePrivateFolder(std::string_view path) override {
    std::optional<std::string> native = CheckedNativePath(path);
    if (!native) return false;
    while (native->size() > 1 && native->back() == '/') native->pop_back();
    if (mkdir(native->c_str(), 0700) != 0 && errno != EEXIST) return Fail();
    // Opened without following a link, then checked and narrowed through that same descriptor.
    const int fd = open(native->c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return Fail(errno == ELOOP || errno == ENOTDIR ? EACCES : errno);
    struct stat info;
    const bool own = fstat(fd, &info) == 0 && info.st_uid == geteuid() &&
                     ((info.st_mode & 077) == 0 || fchmod(fd, 0700) == 0);
    close(fd);
    return own || Fail(EACCES);
  }

  bool CreateFolderTree(std::string_view path) override {
    // Steps are resolved first: a folder that ".." steps over is not created.
    if (!CheckedNativePath(path)) return false;
    std::string resolved = ResolveDotSteps(path);
    while (resolved.size() > 1 && IsPathSeparator(resolved.back())) resolved.pop_back();
    return MakeFolderTree(resolved);
  }

  bool CreateEmptyFile(std::string_view path) override {
    std::optional<std::string> native = CheckedNativePath(path);
    if (!native) return false;
    int fd = open(native->c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return Fail();
    close(fd);
    return true;
  }

  bool CreateNewFile(std::string_view path) override {
    std::optional<std::string> native = CheckedNativePath(path);
    if (!native) return false;
    // O_EXCL refuses every existing name, a link of that name included (it is not followed).
    int fd = open(native->c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno != EEXIST) return Fail();
      SetLastErrorCode(kWinFileExists);
      return false;
    }
    close(fd);
    return true;
  }

  std::unique_ptr<OwnFile> CreateOwnFile(std::string_view path) override {
    std::optional<std::string> native = CheckedNativePath(path);
    return native ? CreateNativeOwnFile(*native) : nullptr;
  }

  bool RenameFile(std::string_view from, std::string_view to) override {
    std::optional<std::string> native_from = CheckedNativePath(from);
    std::optional<std::string> native_to = native_from ? CheckedNativePath(to) : std::nullopt;
    return native_to && RenameNativeFile(*native_from, *native_to);
  }

  std::optional<std::string> ReadWholeFile(std::string_view path, bool* opened) override {
    if (opened != nullptr) *opened = false;
    std::optional<std::string> native = CheckedNativePath(path);
    if (!native) return std::nullopt;
    if (IsFolder(*native)) {
      Fail(EACCES);
      return std::nullopt;
    }
    return ReadNativeFile(*native, nullptr, opened);
  }

  bool AppendToFile(std::string_view path, std::string_view bytes) override {
    std::optional<std::string> native = CheckedNativePath(path);
    if (!native) return false;
    int fd = open(native->c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return Fail();
    // One write call for the whole text, so that lines of concurrent writers do not interleave.
    bool ok = WriteAll(fd, bytes);
    int error = errno;
    if (close(fd) != 0 && ok) {
      ok = false;
      error = errno;
    }
    return ok || Fail(error);
  }

  std::optional<std::uint64_t> FreeBytesAvailable(std::string_view root) override {
    // A name Windows refuses ("images<") is no folder that exists there, so its walk goes on
    // above it: only the part of the text in front of the last refused name counts.
    std::string text(root);
    while (!text.empty() && WindowsPathRefusal(text) == kWinInvalidName) {
      while (!text.empty() && IsPathSeparator(text.back())) text.pop_back();
      std::size_t cut = text.size();
      while (cut > 0 && !IsPathSeparator(text[cut - 1])) --cut;
      text.resize(cut);
    }
    std::optional<std::string> checked =
        text.empty() ? std::optional<std::string>(".") : CheckedNativePath(text);
    if (!checked) return std::nullopt;
    std::string native = std::move(*checked);
    // Walk up to the nearest folder that exists: the volume it lies on is the one measured. A
    // share's server and share are its volume's root: nothing above them is that volume.
    const std::size_t root_length = ShareRootLength(native);
    for (;;) {
      while (native.size() > 1 && native.back() == '/') native.pop_back();
      struct stat info;
      if (native.empty() || native == "." || native == "/" || stat(native.c_str(), &info) == 0) {
        break;
      }
      if (native.size() <= root_length) {
        SetLastErrorCode(kWinBadNetPath);
        return std::nullopt;
      }
      std::size_t slash = native.find_last_of('/');
      native = slash == std::string::npos ? std::string(".") : native.substr(0, slash + 1);
    }
    struct statvfs volume;
    if (statvfs(native.empty() ? "." : native.c_str(), &volume) != 0) {
      Fail();
      return std::nullopt;
    }
    return std::uint64_t{volume.f_bavail} * std::uint64_t{volume.f_frsize};
  }

  bool CopyTree(std::string_view source_pattern, std::string_view destination) override {
    if (!CheckedNativePath(source_pattern, PathUse::kSearchPattern) ||
        !CheckedNativePath(destination))
      return false;
    SplitPattern split = SplitLastComponent(source_pattern);
    std::string source_dir = ToNativePath(split.folder);
    if (!IsFolder(source_dir.empty() ? "." : source_dir)) return Fail(ENOENT);
    std::string target_dir = ToNativePath(destination);
    while (target_dir.size() > 1 && target_dir.back() == '/') target_dir.pop_back();
    if (!MakeFolders(target_dir)) return false;

    std::vector<std::string> sources;
    if (HasWildcard(split.last)) {
      std::optional<std::vector<std::string>> names = ListFolder(source_dir);
      if (!names) return false;
      for (const std::string& name : *names) {
        if (MatchWildcard(split.last, NativeToAnsi(name))) sources.push_back(name);
      }
    } else {
      std::optional<std::string> name = FindNameIgnoringCase(source_dir, split.last);
      if (!name) return Fail(ENOENT);
      sources.push_back(*name);
    }
    for (const std::string& name : sources) {
      std::string target = FindNameIgnoringCase(target_dir, NativeToAnsi(name)).value_or(name);
      if (!CopyEntry(JoinNative(source_dir, name), JoinNative(target_dir, target), 0)) {
        return false;
      }
    }
    return true;
  }

  std::string TempFolder() override {
    const char* tmpdir = std::getenv("TMPDIR");
    std::string folder = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
    if (folder.back() != '/') folder.push_back('/');
    return NativeToAnsi(folder);
  }

  std::optional<std::string> CreateUniqueTempFile(std::string_view folder,
                                                  std::string_view prefix) override {
    if (std::any_of(prefix.begin(), prefix.end(), IsPathSeparator)) {
      Fail(EINVAL);
      return std::nullopt;
    }
    std::optional<std::string> native_folder = CheckedNativePath(folder);
    if (!native_folder) return std::nullopt;
    std::string name_template = JoinNative(*native_folder, AnsiToNative(prefix) + "XXXXXX.tmp");
    int fd = mkstemps(name_template.data(), 4);
    if (fd < 0) {
      Fail();
      return std::nullopt;
    }
    close(fd);
    return WithTrailingSeparator(std::string(folder)) +
           NativeToAnsi(NativeLastComponent(name_template));
  }

  std::string CurrentFolder() override {
    char buffer[PATH_MAX];
    if (getcwd(buffer, sizeof buffer) == nullptr) {
      Fail();
      return "";
    }
    return NativeToAnsi(buffer);
  }

  bool SetCurrentFolder(std::string_view path) override {
    std::optional<std::string> native = CheckedNativePath(path);
    return native && (chdir(native->c_str()) == 0 || Fail());
  }

  std::string ProgramFilePath() override {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length < 0) {
      Fail();
      return "";
    }
    return NativeToAnsi(std::string_view(buffer, static_cast<std::size_t>(length)));
  }
};

}  // namespace

FileSystem& FileSystem::Native() {
  static PosixFileSystem file_system;
  return file_system;
}

}  // namespace radlyn::platform
