#include "platform/posix/os_error.h"

#include <cerrno>

#include "platform/last_error.h"
#include "platform/windows_codes.h"

namespace radlyn::platform {
namespace {

struct ErrnoMapping {
  int errno_value;
  std::uint32_t windows_code;
};

constexpr ErrnoMapping kErrnoMappings[] = {
    {ENOENT, kWinFileNotFound}, {ENOTDIR, kWinPathNotFound}, {EACCES, kWinAccessDenied},
    {EPERM, kWinAccessDenied},  {EROFS, kWinWriteProtect},   {EEXIST, kWinAlreadyExists},
    {ENOSPC, kWinDiskFull},     {EDQUOT, kWinDiskFull},
};

}  // namespace

std::uint32_t WindowsErrorFromErrno(int errno_value) {
  for (const ErrnoMapping& mapping : kErrnoMappings) {
    if (mapping.errno_value == errno_value) return mapping.windows_code;
  }
  return kWinGeneralFailure;
}

void SetLastErrorFromErrno(int errno_value) {
  SetLastErrorCode(WindowsErrorFromErrno(errno_value));
}

}  // namespace radlyn::platform
