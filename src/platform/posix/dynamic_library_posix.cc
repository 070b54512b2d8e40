// Run-time libraries on Linux: dlopen with every symbol bound at once and kept local, so that
// two modules exporting the same names never see each other's. Dependencies in the library's
// own folder are found through the library's RUNPATH ($ORIGIN).
#include <dlfcn.h>

#include <string>

#include "platform/debug_output.h"
#include "platform/dynamic_library.h"
#include "platform/last_error.h"
#include "platform/paths.h"

namespace radlyn::platform {
namespace {

class PosixDynamicLibraries : public DynamicLibraries {
 public:
  LibraryHandle Load(std::string_view path) override {
    void* library = dlopen(ToNativePath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      SetLastErrorCode(kErrorModuleNotFound);
      const char* reason = dlerror();
      WriteDebugOutput(reason != nullptr ? reason : "dlopen failed");
      return 0;
    }
    return reinterpret_cast<LibraryHandle>(library);
  }

  void* FindExport(LibraryHandle library, const char* name) override {
    if (library == 0 || name == nullptr) {
      SetLastErrorCode(kErrorProcedureNotFound);
      return nullptr;
    }
    dlerror();
    void* address = dlsym(reinterpret_cast<void*>(library), name);
    if (address == nullptr) SetLastErrorCode(kErrorProcedureNotFound);
    return address;
  }

  void SetSearchFolder(std::string_view) override {}

  void Release(LibraryHandle library) override {
    if (library != 0) dlclose(reinterpret_cast<void*>(library));
  }
};

}  // namespace

DynamicLibraries& DynamicLibraries::Native() {
  static PosixDynamicLibraries libraries;
  return libraries;
}

}  // namespace radlyn::platform
