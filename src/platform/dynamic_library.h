// Libraries loaded at run time by full path, and their exports. A library's own dependencies are
// searched first in the library's folder. A relative path is never handed to the system loader
// (which would search the current folder and more): it fails as "module not found". Handles are
// opaque; 0 means "not loaded".
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/service.h"

namespace radlyn::platform {

using LibraryHandle = std::uintptr_t;

class DynamicLibraries {
 public:
  virtual ~DynamicLibraries() = default;
  virtual LibraryHandle Load(std::string_view path) = 0;
  // Address of an export, or nullptr when the library lacks it.
  virtual void* FindExport(LibraryHandle library, const char* name) = 0;
  virtual void Release(LibraryHandle library) = 0;
  // Puts `folder` first, for the rest of the process, where libraries that loaded code loads by
  // bare name later are looked for (Windows: SetDllDirectoryA; Linux: nothing, each library
  // finds its dependencies through its own RUNPATH).
  virtual void SetSearchFolder(std::string_view folder) = 0;

  static DynamicLibraries& Native();
};

inline DynamicLibraries& GetDynamicLibraries() { return Service<DynamicLibraries>::Get(); }

}  // namespace radlyn::platform
