#include "platform/paths.h"
#include "platform/posix/product_version_file.h"
#include "platform/program_file.h"

namespace radlyn::platform {
namespace {

class PosixProgramFiles : public ProgramFiles {
 public:
  std::optional<ProductVersion> ReadProductVersion(std::string_view path) override {
    return ReadProductVersionFile(ToNativePath(path));
  }
};

}  // namespace

ProgramFiles& ProgramFiles::Native() {
  static PosixProgramFiles program_files;
  return program_files;
}

}  // namespace radlyn::platform
