// The Win32 API for the Windows backend, included through this header only: the slim form of
// <windows.h> (plus the version-resource functions) without the min/max macros, and without the
// function-name macros that are also member names of the platform services (FileSystem::DeleteFile,
// FileSystem::FindFirstFile, CodePages::AnsiToOem, CodePages::OemToAnsi), so that the services' own
// headers may be included before or after this one.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>
// After <windows.h>, whose types it uses; the slim form leaves it out.
#include <winver.h>

#undef AnsiToOem
#undef DeleteFile
#undef FindFirstFile
#undef OemToAnsi

#include <cstdint>

#include "platform/last_error.h"
#include "platform/windows_codes.h"

// The codes the platform layer names (windows_codes.h) are Windows' own.
static_assert(radlyn::platform::kWinFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(radlyn::platform::kWinPathNotFound == ERROR_PATH_NOT_FOUND);
static_assert(radlyn::platform::kWinAccessDenied == ERROR_ACCESS_DENIED);
static_assert(radlyn::platform::kWinNotEnoughMemory == ERROR_NOT_ENOUGH_MEMORY);
static_assert(radlyn::platform::kWinWriteProtect == ERROR_WRITE_PROTECT);
static_assert(radlyn::platform::kWinGeneralFailure == ERROR_GEN_FAILURE);
static_assert(radlyn::platform::kWinSharingViolation == ERROR_SHARING_VIOLATION);
static_assert(radlyn::platform::kWinLockViolation == ERROR_LOCK_VIOLATION);
static_assert(radlyn::platform::kWinBadNetPath == ERROR_BAD_NETPATH);
static_assert(radlyn::platform::kWinNetworkBusy == ERROR_NETWORK_BUSY);
static_assert(radlyn::platform::kWinBadNetName == ERROR_BAD_NET_NAME);
static_assert(radlyn::platform::kWinDeviceGone == ERROR_DEV_NOT_EXIST);
static_assert(radlyn::platform::kWinNetworkError == ERROR_UNEXP_NET_ERR);
static_assert(radlyn::platform::kWinNetworkNameGone == ERROR_NETNAME_DELETED);
static_assert(radlyn::platform::kWinFileExists == ERROR_FILE_EXISTS);
static_assert(radlyn::platform::kWinDiskFull == ERROR_DISK_FULL);
static_assert(radlyn::platform::kWinSemaphoreTimeout == ERROR_SEM_TIMEOUT);
static_assert(radlyn::platform::kWinInvalidName == ERROR_INVALID_NAME);
static_assert(radlyn::platform::kWinModuleNotFound == ERROR_MOD_NOT_FOUND);
static_assert(radlyn::platform::kWinProcedureNotFound == ERROR_PROC_NOT_FOUND);
static_assert(radlyn::platform::kWinAlreadyExists == ERROR_ALREADY_EXISTS);
static_assert(radlyn::platform::kWinBadExeFormat == ERROR_BAD_EXE_FORMAT);
static_assert(radlyn::platform::kWinFileNameTooLong == ERROR_FILENAME_EXCED_RANGE);
static_assert(radlyn::platform::kWinUserMappedFile == ERROR_USER_MAPPED_FILE);
static_assert(radlyn::platform::kWinNetworkUnreachable == ERROR_NETWORK_UNREACHABLE);
static_assert(radlyn::platform::kWinUnspecifiedFailure == static_cast<std::uint32_t>(E_FAIL));
static_assert(radlyn::platform::kWinOutOfMemory == static_cast<std::uint32_t>(E_OUTOFMEMORY));
static_assert(radlyn::platform::kWinInvalidArgument == static_cast<std::uint32_t>(E_INVALIDARG));
static_assert(radlyn::platform::kWinTypeMismatch ==
              static_cast<std::uint32_t>(DISP_E_TYPEMISMATCH));
static_assert(radlyn::platform::kWinOverflow == static_cast<std::uint32_t>(DISP_E_OVERFLOW));

namespace radlyn::platform {

// Sets the platform's last error (last_error.h) from the calling thread's Win32 error.
inline void SetLastErrorFromWin32() {
  SetLastErrorCode(static_cast<std::uint32_t>(::GetLastError()));
}

}  // namespace radlyn::platform
