// Run-time libraries on Windows: LoadLibraryExA with the altered search path, so that a module's
// own dependencies are found first in the module's folder, and GetProcAddress for its exports.
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

class Win32DynamicLibraries : public DynamicLibraries {
 public:
  LibraryHandle Load(std::string_view path) override {
    const std::string native = ToNativePath(path);
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
