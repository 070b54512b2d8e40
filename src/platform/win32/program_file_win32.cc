// The product version of a program file on Windows: the fixed part of its version resource
// (VS_FIXEDFILEINFO), read with the version-information functions.
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/program_file.h"
#include "platform/win32/windows_api.h"

namespace radlyn::platform {
namespace {

class Win32ProgramFiles : public ProgramFiles {
 public:
  std::optional<ProductVersion> ReadProductVersion(std::string_view path) override {
    const std::string native = ToNativePath(path);
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(native.c_str(), &ignored);
    if (size == 0) {
      SetLastErrorFromWin32();
      return std::nullopt;
    }
    std::vector<unsigned char> block(size);
    if (!::GetFileVersionInfoA(native.c_str(), 0, size, block.data())) {
      SetLastErrorFromWin32();
      return std::nullopt;
    }
    void* fixed = nullptr;
    UINT fixed_size = 0;
    if (!::VerQueryValueA(block.data(), "\\", &fixed, &fixed_size) || fixed == nullptr ||
        fixed_size < sizeof(VS_FIXEDFILEINFO)) {
      return std::nullopt;
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    if (info->dwSignature != 0xFEEF04BD) return std::nullopt;
    return ProductVersion{HIWORD(info->dwProductVersionMS), LOWORD(info->dwProductVersionMS),
                          HIWORD(info->dwProductVersionLS), LOWORD(info->dwProductVersionLS)};
  }
};

}  // namespace

ProgramFiles& ProgramFiles::Native() {
  static Win32ProgramFiles program_files;
  return program_files;
}

}  // namespace radlyn::platform
