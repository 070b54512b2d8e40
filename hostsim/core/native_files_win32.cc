#include <random>

#include "core/native_files.h"
#include "platform/win32/windows_api.h"

namespace hostsim::native {

bool AppendInOneWrite(const std::string& path, std::string_view bytes) {
  // Append access alone: the system puts every write at the file's current end.
  HANDLE file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0 &&
      written == bytes.size();
  ::CloseHandle(file);
  return ok;
}

std::string CreateSibling(const std::string& path) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = path + ".hostsim-";
    for (int i = 0; i < 6; ++i) name.push_back(kLetters[random() % (sizeof kLetters - 1)]);
    HANDLE file = ::CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      ::CloseHandle(file);
      return name;
    }
    if (::GetLastError() != ERROR_FILE_EXISTS) return {};
  }
  return {};
}

bool MoveOver(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool RemoveFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

bool IsOtherThanFile(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0;
}

}  // namespace hostsim::native
