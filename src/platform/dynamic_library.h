// Libraries loaded at run time by path, and their exports. A library's own dependencies are
// searched first in the library's folder. Handles are opaque; 0 means "not loaded".
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

  static DynamicLibraries& Native();
};

inline DynamicLibraries& GetDynamicLibraries() { return Service<DynamicLibraries>::Get(); }

}  // namespace radlyn::platform
