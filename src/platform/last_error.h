// The calling thread's last operating-system error, in Windows numbering, so that callers above
// the platform layer report the same numbers on every platform. Backends set it when an
// operation fails and leave it alone when one succeeds. Codes used by the Linux backend:
// 2 file not found, 3 path not found, 5 access denied (kErrorAccessDenied in named_mutex.h),
// 19 write-protected (a read-only file system), 31 any other failure, 53 a share not reached, 80
// file exists (a new file's name is taken), 112 disk full, 123 a name Windows refuses, 126 library
// not loadable, 127 export not found, 183 already exists (kErrorAlreadyExists in named_mutex.h),
// 206 a path too long.
#pragma once

#include <cstdint>

namespace radlyn::platform {

inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorWriteProtect = 19;
inline constexpr std::uint32_t kErrorGeneralFailure = 31;
inline constexpr std::uint32_t kErrorBadNetPath = 53;
inline constexpr std::uint32_t kErrorFileExists = 80;
inline constexpr std::uint32_t kErrorDiskFull = 112;
inline constexpr std::uint32_t kErrorInvalidName = 123;
inline constexpr std::uint32_t kErrorModuleNotFound = 126;
inline constexpr std::uint32_t kErrorProcedureNotFound = 127;
inline constexpr std::uint32_t kErrorFileNameTooLong = 206;

std::uint32_t GetLastErrorCode();
void SetLastErrorCode(std::uint32_t code);

}  // namespace radlyn::platform
