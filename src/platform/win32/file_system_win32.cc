// Files and folders on Windows, over the ANSI file functions. Program texts are Windows paths
// already (ToNativePath only turns '/' into '\'); names compare without regard to case because
// the file system does so itself. Every failure leaves Windows' own error as the last error.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/last_error.h"
#include "platform/paths.h"
#include "platform/win32/growing_text.h"
#include "platform/win32/temp_folder.h"
#include "platform/win32/windows_api.h"

namespace radlyn::platform {
namespace {

// Deeper folder trees than this are taken for a loop of junctions (or a copy into itself).
constexpr int kMaxCopyDepth = 64;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool Fail() {
  SetLastErrorFromWin32();
  return false;
}

bool Fail(DWORD code) {
  SetLastErrorCode(code);
  return false;
}

bool IsFolder(const std::string& native) {
  const DWORD attributes = ::GetFileAttributesA(native.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A native path without trailing separators, except where the separator is the whole root
// ("\" or "C:\").
std::string WithoutTrailingSeparators(std::string native) {
  while (native.size() > 1 && native.back() == '\\' && !(native.size() == 3 && native[1] == ':')) {
    native.pop_back();
  }
  return native;
}

// Where the last component of a native path starts (after its last '\', or after "C:").
std::size_t LastComponentStart(const std::string& native) {
  const std::size_t separator = native.find_last_of('\\');
  if (separator != std::string::npos) return separator + 1;
  return native.size() >= 2 && native[1] == ':' ? 2 : 0;
}

// The length of the volume root at the start of a native path without trailing separators: "C:"
// or "C:\" (its separator included), "\\server\share" (a share), "\" (the current drive's
// root); 0 for a relative path.
std::size_t VolumeRootLength(const std::string& native) {
  if (native.size() >= 2 && native[1] == ':')
    return native.size() >= 3 && native[2] == '\\' ? 3 : 2;
  if (native.rfind("\\\\", 0) != 0) return native.empty() || native[0] != '\\' ? 0 : 1;
  const std::size_t server_end = native.find('\\', 2);
  if (server_end == std::string::npos) return native.size();
  const std::size_t share_end = native.find('\\', server_end + 1);
  return share_end == std::string::npos ? native.size() : share_end;
}

bool HasWildcard(std::string_view name) { return name.find_first_of("*?") != name.npos; }

bool IsDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (valid()) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// The pending file of a job: written through its handle only. The handle shares reading alone,
// so no other program may write, delete or rename the file while it is open.
class Win32OwnFile final : public OwnFile {
 public:
  Win32OwnFile(HANDLE handle, std::string native, const BY_HANDLE_FILE_INFORMATION& identity)
      : handle_(handle), native_(std::move(native)), identity_(identity) {}

  bool Rewrite(std::string_view bytes) override {
    if (::SetFilePointer(handle_.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
      return Fail();
    }
    for (std::size_t done = 0; done < bytes.size();) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
      if (!::WriteFile(handle_.get(), bytes.data() + done, chunk, &written, nullptr)) return Fail();
      if (written == 0) return Fail(ERROR_WRITE_FAULT);
      done += written;
    }
    return (::SetEndOfFile(handle_.get()) && ::FlushFileBuffers(handle_.get())) || Fail();
  }

  bool HoldsItsName() override {
    // Opened for its attributes alone and never through a reparse point: what the name holds now.
    Handle named(::CreateFileA(native_.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                               OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION now{};
    if (!named.valid() || !::GetFileInformationByHandle(named.get(), &now)) return Fail();
    if (now.dwVolumeSerialNumber == identity_.dwVolumeSerialNumber &&
        now.nFileIndexHigh == identity_.nFileIndexHigh &&
        now.nFileIndexLow == identity_.nFileIndexLow &&
        (now.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
      return true;
    }
    return Fail(ERROR_FILE_EXISTS);
  }

 private:
  Handle handle_;
  std::string native_;
  BY_HANDLE_FILE_INFORMATION identity_;
};

// Security attributes whose access list grants the current user alone full access, inherited
// by everything created inside (and none from the folder above).
class UserOnlyAccess {
 public:
  UserOnlyAccess() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    user_.resize(size);
    const bool read =
        size > 0 && ::GetTokenInformation(token, TokenUser, user_.data(), size, &size);
    ::CloseHandle(token);
    if (!read) return;
    PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
    acl_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid));
    auto* acl = reinterpret_cast<ACL*>(acl_.data());
    valid_ = ::InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION) &&
             ::AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                     GENERIC_ALL, sid) &&
             ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
             ::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
             ::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    attributes_ = {sizeof attributes_, &descriptor_, FALSE};
  }
  bool valid() const { return valid_; }
  SECURITY_ATTRIBUTES* attributes() { return &attributes_; }

 private:
  std::vector<unsigned char> user_;
  std::vector<unsigned char> acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool valid_ = false;
};

class Search {
 public:
  explicit Search(const std::string& pattern)
      : handle_(::FindFirstFileA(pattern.c_str(), &entry_)) {}
  ~Search() {
    if (found()) ::FindClose(handle_);
  }
  Search(const Search&) = delete;
  Search& operator=(const Search&) = delete;

  bool found() const { return handle_ != INVALID_HANDLE_VALUE; }
  const WIN32_FIND_DATAA& entry() const { return entry_; }
  bool IsFolderEntry() const { return (entry_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  bool Next() { return ::FindNextFileA(handle_, &entry_) != FALSE; }

 private:
  WIN32_FIND_DATAA entry_{};
  HANDLE handle_;
};

Handle OpenFile(const std::string& native, DWORD access, DWORD disposition, DWORD flags = 0) {
  return Handle(::CreateFileA(native.c_str(), access, kShareAll, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL | flags, nullptr));
}

// True when both paths name the same existing file or folder (also through another spelling).
bool SameObject(const std::string& a, const std::string& b) {
  Handle first = OpenFile(a, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  Handle second = OpenFile(b, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  BY_HANDLE_FILE_INFORMATION x{}, y{};
  return first.valid() && second.valid() && ::GetFileInformationByHandle(first.get(), &x) &&
         ::GetFileInformationByHandle(second.get(), &y) &&
         x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
         x.nFileIndexLow == y.nFileIndexLow;
}

bool MakeFolders(const std::string& native) {
  const std::string path = WithoutTrailingSeparators(native);
  if (path.empty()) return Fail(ERROR_PATH_NOT_FOUND);
  if (IsFolder(path)) return true;
  const std::size_t start = LastComponentStart(path);
  if (start > 0) {
    const std::string parent = WithoutTrailingSeparators(path.substr(0, start));
    if (parent != path && !IsFolder(parent) && !MakeFolders(parent)) return false;
  }
  if (::CreateDirectoryA(path.c_str(), nullptr)) return true;
  const DWORD error = ::GetLastError();
  if (error == ERROR_ALREADY_EXISTS && IsFolder(path)) return true;
  return Fail(error);
}

// CopyFileA refuses to replace a read-only or hidden file, and it gives every copy the source's
// attributes, so a read-only source would block the next copy over its own earlier copy. Such
// attributes of an existing target file are cleared first; a missing target needs nothing.
bool AllowOverwrite(const std::string& target) {
  constexpr DWORD kBlocking =
      FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  const DWORD attributes = ::GetFileAttributesA(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
      (attributes & kBlocking) == 0) {
    return true;
  }
  const DWORD cleared = attributes & ~kBlocking;
  return ::SetFileAttributesA(target.c_str(), cleared != 0 ? cleared : FILE_ATTRIBUTE_NORMAL) != 0;
}

bool CopyMatches(const std::string& pattern, std::size_t folder_length, const std::string& target,
                 int depth);

bool CopyFolder(const std::string& from, const std::string& to, int depth) {
  if (depth > kMaxCopyDepth) return Fail(ERROR_CANT_RESOLVE_FILENAME);
  if (SameObject(from, to)) return true;  // a folder copied onto itself stays as it is
  if (!MakeFolders(to)) return false;
  return CopyMatches(from + "\\*", from.size() + 1, to, depth);
}

// Copies every entry that `pattern` finds (its folder part is `folder_length` characters long,
// separator included) into the existing folder `target`.
bool CopyMatches(const std::string& pattern, std::size_t folder_length, const std::string& target,
                 int depth) {
  Search search(pattern);
  if (!search.found()) {
    const DWORD error = ::GetLastError();
    // A wildcard that matches nothing copies nothing; a named source must exist.
    if (error == ERROR_FILE_NOT_FOUND && HasWildcard(pattern.substr(folder_length))) return true;
    return Fail(error);
  }
  const std::string folder = pattern.substr(0, folder_length);
  do {
    const char* name = search.entry().cFileName;
    if (IsDotEntry(name)) continue;
    const std::string from = folder + name;
    const std::string to = target + "\\" + name;
    if (search.IsFolderEntry()) {
      if (!CopyFolder(from, to, depth + 1)) return false;
    } else if (!SameObject(from, to) &&
               (!AllowOverwrite(to) || !::CopyFileA(from.c_str(), to.c_str(), FALSE))) {
      return Fail();
    }
  } while (search.Next());
  const DWORD error = ::GetLastError();
  return error == ERROR_NO_MORE_FILES || Fail(error);
}

// Reads a text of unknown length; "" with the last error set when the query fails.
template <typename Query>
std::string ReadText(Query query) {
  std::optional<std::string> text = win32::ReadGrowingText<char>(query);
  if (!text) SetLastErrorFromWin32();
  return text.value_or(std::string());
}

class Win32FileSystem : public FileSystem {
 public:
  bool Exists(std::string_view path) override {
    return ::GetFileAttributesA(ToNativePath(path).c_str()) != INVALID_FILE_ATTRIBUTES || Fail();
  }

  bool FolderExists(std::string_view path) override {
    const DWORD attributes = ::GetFileAttributesA(ToNativePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Fail();
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || Fail(ERROR_DIRECTORY);
  }

  bool IsLink(std::string_view path) override {
    const DWORD attributes = ::GetFileAttributesA(ToNativePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Fail();
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || Fail(ERROR_INVALID_PARAMETER);
  }

  bool DeleteFile(std::string_view path) override {
    return ::DeleteFileA(ToNativePath(path).c_str()) || Fail();
  }

  bool MakeWritable(std::string_view path) override {
    const std::string native = ToNativePath(path);
    const DWORD attributes = ::GetFileAttributesA(native.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Fail();
    if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
    const DWORD cleared = attributes & ~FILE_ATTRIBUTE_READONLY;
    return ::SetFileAttributesA(native.c_str(), cleared != 0 ? cleared : FILE_ATTRIBUTE_NORMAL) ||
           Fail();
  }

  // MoveFileEx replaces the target in one step (a folder or read-only target is refused by the
  // call itself); the source must be a file. MOVEFILE_WRITE_THROUGH covers only a move that
  // copies, so the source's content is flushed first: the new name never stands for a file whose
  // content is not yet on disk.
  bool RenameFile(std::string_view from, std::string_view to) override {
    const std::string native_from = ToNativePath(from);
    const DWORD attributes = ::GetFileAttributesA(native_from.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Fail();
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Fail(ERROR_ACCESS_DENIED);
    {
      Handle source = OpenFile(native_from, GENERIC_WRITE, OPEN_EXISTING);
      if (source.valid()) ::FlushFileBuffers(source.get());
    }
    return ::MoveFileExA(native_from.c_str(), ToNativePath(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
           Fail();
  }

  std::optional<std::string> FindFirstFile(std::string_view pattern) override {
    const std::string native = ToNativePath(pattern);
    Search search(native);
    if (!search.found()) {
      SetLastErrorFromWin32();
      return std::nullopt;
    }
    do {
      if (!search.IsFolderEntry()) {
        return native.substr(0, LastComponentStart(native)) + search.entry().cFileName;
      }
    } while (search.Next());
    Fail(ERROR_FILE_NOT_FOUND);
    return std::nullopt;
  }

  std::vector<std::string> FindFiles(std::string_view pattern) override {
    std::vector<std::string> found;
    const std::string native = ToNativePath(pattern);
    Search search(native);
    if (!search.found()) return found;
    do {
      if (!search.IsFolderEntry()) {
        found.push_back(native.substr(0, LastComponentStart(native)) + search.entry().cFileName);
      }
    } while (search.Next());
    return found;
  }

  bool CreatePrivateFolder(std::string_view path) override {
    const std::string native = WithoutTrailingSeparators(ToNativePath(path));
    const DWORD attributes = ::GetFileAttributesA(native.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return Fail(ERROR_ACCESS_DENIED);
      return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || Fail(ERROR_ALREADY_EXISTS);
    }
    UserOnlyAccess access;
    if (!access.valid()) return Fail();
    return ::CreateDirectoryA(native.c_str(), access.attributes()) || Fail();
  }

  bool CreateFolderTree(std::string_view path) override { return MakeFolders(ToNativePath(path)); }

  bool CreateEmptyFile(std::string_view path) override {
    const std::string native = ToNativePath(path);
    const DWORD attributes = ::GetFileAttributesA(native.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      return Fail(ERROR_ACCESS_DENIED);
    }
    return OpenFile(native, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS).valid() || Fail();
  }

  // CREATE_NEW refuses every existing name (ERROR_FILE_EXISTS), a link of that name included.
  bool CreateNewFile(std::string_view path) override {
    return OpenFile(ToNativePath(path), GENERIC_READ | GENERIC_WRITE, CREATE_NEW).valid() || Fail();
  }

  std::unique_ptr<OwnFile> CreateOwnFile(std::string_view path) override {
    const std::string native = ToNativePath(path);
    // CREATE_NEW alone would create the target of a link that leads nowhere: whatever stands at
    // the name, a reparse point included, is refused before, and the open never follows one.
    if (::GetFileAttributesA(native.c_str()) != INVALID_FILE_ATTRIBUTES) {
      Fail(ERROR_FILE_EXISTS);
      return nullptr;
    }
    HANDLE handle =
        ::CreateFileA(native.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      Fail();
      return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION identity{};
    if (!::GetFileInformationByHandle(handle, &identity)) {
      Fail();
      ::CloseHandle(handle);
      return nullptr;
    }
    return std::make_unique<Win32OwnFile>(handle, native, identity);
  }

  std::optional<std::string> ReadWholeFile(std::string_view path, bool* opened) override {
    Handle file = OpenFile(ToNativePath(path), GENERIC_READ, OPEN_EXISTING);
    if (opened != nullptr) *opened = file.valid();
    if (!file.valid()) {
      SetLastErrorFromWin32();
      return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
      DWORD got = 0;
      if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
        SetLastErrorFromWin32();
        return std::nullopt;
      }
      if (got == 0) return bytes;
      bytes.append(buffer, got);
    }
  }

  bool AppendToFile(std::string_view path, std::string_view bytes) override {
    // Append access alone: every write lands at the end, whoever else writes the file meanwhile.
    Handle file = OpenFile(ToNativePath(path), FILE_APPEND_DATA, OPEN_ALWAYS);
    if (!file.valid()) return Fail();
    while (!bytes.empty()) {
      DWORD written = 0;
      if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) ||
          written == 0) {
        return Fail();
      }
      bytes.remove_prefix(written);
    }
    return true;
  }

  std::optional<std::uint64_t> FreeBytesAvailable(std::string_view root) override {
    // Walk up to the nearest folder that exists, never above the volume's root ("C:\", a
    // share's "\\server\share\"): the volume it lies on is the one measured, and a root that
    // cannot be reached fails the query. A relative path with no existing part measures the
    // current folder's volume.
    std::string folder = WithoutTrailingSeparators(ToNativePath(root));
    const std::size_t root_length = VolumeRootLength(folder);
    while (!folder.empty() && folder.size() > root_length && !IsFolder(folder)) {
      std::string parent = WithoutTrailingSeparators(folder.substr(0, LastComponentStart(folder)));
      if (parent == folder) break;  // a root that does not exist: the query fails below
      folder = std::move(parent);
    }
    if (!folder.empty() && folder.back() != '\\') folder.push_back('\\');
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExA(folder.empty() ? nullptr : folder.c_str(), &available, nullptr,
                               nullptr)) {
      SetLastErrorFromWin32();
      return std::nullopt;
    }
    return available.QuadPart;
  }

  bool CopyTree(std::string_view source_pattern, std::string_view destination) override {
    const std::string pattern = ToNativePath(source_pattern);
    const std::size_t folder_length = LastComponentStart(pattern);
    const std::string source = WithoutTrailingSeparators(pattern.substr(0, folder_length));
    if (!IsFolder(source.empty() ? "." : source)) return Fail(ERROR_PATH_NOT_FOUND);
    const std::string target = WithoutTrailingSeparators(ToNativePath(destination));
    if (!MakeFolders(target)) return false;
    return CopyMatches(pattern, folder_length, target, 0);
  }

  std::string TempFolder() override {
    const std::string folder = win32::AnsiTempFolder();
    return folder.empty() ? folder : WithTrailingSeparator(folder);
  }

  std::optional<std::string> CreateUniqueTempFile(std::string_view folder,
                                                  std::string_view prefix) override {
    // The prefix is part of one file name: it may not lead into another folder.
    if (prefix.find_first_of(std::string_view("\\/:\0", 4)) != std::string_view::npos) {
      Fail(ERROR_INVALID_PARAMETER);
      return std::nullopt;
    }
    // GetTempFileName would keep only three characters of the prefix: the name is made here,
    // from the clock, the process and a counter, and created only where no file stands yet.
    static std::atomic<std::uint32_t> made{0};
    const std::string base = WithTrailingSeparator(ToNativePath(folder)) + std::string(prefix);
    for (int attempt = 0; attempt < 64; ++attempt) {
      LARGE_INTEGER now{};
      ::QueryPerformanceCounter(&now);
      const std::uint64_t mixed = (static_cast<std::uint64_t>(now.QuadPart) ^
                                   (std::uint64_t{::GetCurrentProcessId()} << 32) ^ ++made) *
                                  0x9E3779B97F4A7C15ull;
      char random[9];
      std::snprintf(random, sizeof random, "%08X", static_cast<unsigned>(mixed >> 32));
      const std::string name = base + random + ".tmp";
      Handle file(::CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
      if (file.valid()) return name;
      if (::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    SetLastErrorFromWin32();
    return std::nullopt;
  }

  std::string CurrentFolder() override {
    return ReadText([](char* buffer, DWORD size) { return ::GetCurrentDirectoryA(size, buffer); });
  }

  bool SetCurrentFolder(std::string_view path) override {
    return ::SetCurrentDirectoryA(ToNativePath(path).c_str()) || Fail();
  }

  std::string ProgramFilePath() override {
    return ReadText([](char* buffer, DWORD size) -> DWORD {
      const DWORD length = ::GetModuleFileNameA(nullptr, buffer, size);
      return length == size ? size : length;  // a cut name asks for a larger buffer
    });
  }
};

}  // namespace

FileSystem& FileSystem::Native() {
  static Win32FileSystem file_system;
  return file_system;
}

}  // namespace radlyn::platform
