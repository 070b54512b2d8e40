#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <string>

#include "install_folder.h"

namespace hostsim {

std::string FolderOfCode(const void* code_address) {
  Dl_info info{};
  if (dladdr(code_address, &info) == 0 || info.dli_fname == nullptr) return {};
  std::string path = info.dli_fname;
  // A program's own entry comes back as the name it was started with; make it absolute.
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) != nullptr) path = resolved;
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash + 1);
}

std::string InstallFolder() { return FolderOfCode(reinterpret_cast<const void*>(&InstallFolder)); }

}  // namespace hostsim
