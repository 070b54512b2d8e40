#include "platform/posix/os_error.h"

#include <cerrno>

#include "platform/last_error.h"
#include "platform/named_mutex.h"

namespace radlyn::platform {
namespace {

struct ErrnoMapping {
  int errno_value;
  std::uint32_t windows_code;
};

constexpr ErrnoMapping kErrnoMappings[] = {
    {ENOENT, kErrorFileNotFound}, {ENOTDIR, kErrorPathNotFound}, {EACCES, kErrorAccessDenied},
    {EPERM, kErrorAccessDenied},  {EROFS, kErrorWriteProtect},   {EEXIST, kErrorAlreadyExists},
    {ENOSPC, kErrorDiskFull},     {EDQUOT, kErrorDiskFull},
};

}  // namespace

std::uint32_t WindowsErrorFromErrno(int errno_value) {
  for (const ErrnoMapping& mapping : kErrnoMappings) {
    if (mapping.errno_value == errno_value) return mapping.windows_code;
  }
  return kErrorGeneralFailure;
}

void SetLastErrorFromErrno(int errno_value) {
  SetLastErrorCode(WindowsErrorFromErrno(errno_value));
}

}  // namespace radlyn::platform
