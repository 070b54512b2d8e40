// Run-time libraries on Windows: LoadLibraryExA with the altered search path on full paths only,
// so that a module's own dependencies are found first in the module's folder, and GetProcAddress
// for its exports.
// Failures leave Windows' own error (126 module not found, 127 procedure not found, 193 not a
// valid image, ...) as the platform's last error.
#include <string>

#include "platform/debug_output.h"
#include "platform/dynamic_library.h"
#include "platform/paths.h"
#include "platform/win32/windows_api.h"

namespace radlyn::platform {
namespace {

// While a library loads, a missing dependency or an unreadable medium fails the load instead of
// stopping the program with a system dialog; the thread's previous mode is restored afterwards.
class QuietLoadErrors {
 public:
  QuietLoadErrors() {
    ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_);
  }
  ~QuietLoadErrors() { ::SetThreadErrorMode(previous_, nullptr); }
  QuietLoadErrors(const QuietLoadErrors&) = delete;
  QuietLoadErrors& operator=(const QuietLoadErrors&) = delete;

 private:
  DWORD previous_ = 0;
};

// "X:\..." or "\\server\share\...": a path that names one file wherever the process stands.
bool IsFullPath(std::string_view path) {
  if (path.size() >= 3 && path[1] == ':' && IsPathSeparator(path[2])) return true;
  return path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]);
}

class Win32DynamicLibraries : public DynamicLibraries {
 public:
  LibraryHandle Load(std::string_view path) override {
    const std::string native = ToNativePath(path);
    if (!IsFullPath(native)) {
      // LOAD_WITH_ALTERED_SEARCH_PATH is undefined for relative names, and the loader would
      // search the current folder for them.
      SetLastErrorCode(kErrorModuleNotFound);
      WriteDebugOutput("Not loaded, no full path: " + native);
      return 0;
    }
    HMODULE library = nullptr;
    {
      QuietLoadErrors quiet;
      library = ::LoadLibraryExA(native.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    if (library == nullptr) {
      SetLastErrorFromWin32();
      WriteDebugOutput("LoadLibraryEx failed (" + std::to_string(GetLastErrorCode()) +
                       "): " + native);
      return 0;
    }
    return reinterpret_cast<LibraryHandle>(library);
  }

  void* FindExport(LibraryHandle library, const char* name) override {
    if (library == 0 || name == nullptr) {
      SetLastErrorCode(kErrorProcedureNotFound);
      return nullptr;
    }
    FARPROC address = ::GetProcAddress(reinterpret_cast<HMODULE>(library), name);
    if (address == nullptr) {
      SetLastErrorFromWin32();
      return nullptr;
    }
    return reinterpret_cast<void*>(address);
  }

  void SetSearchFolder(std::string_view folder) override {
    const std::string native = ToNativePath(folder);
    if (!::SetDllDirectoryA(native.c_str())) {
      WriteDebugOutput("SetDllDirectory failed (" + std::to_string(::GetLastError()) +
                       "): " + native);
    }
  }

  void Release(LibraryHandle library) override {
    if (library != 0) ::FreeLibrary(reinterpret_cast<HMODULE>(library));
  }
};

}  // namespace

DynamicLibraries& DynamicLibraries::Native() {
  static Win32DynamicLibraries libraries;
  return libraries;
}

}  // namespace radlyn::platform
