// The operating system's error codes, in Windows numbering on every platform: the last-error
// codes the backends report (last_error.h) and the HRESULTs of the component system and the XML
// parser. They are Windows' own numbers (the Windows backend pins each against its <windows.h>
// name), so that callers above the platform layer see the same code on Linux and Windows. The
// client's error numbers are another set: support/error_numbers.h, prefix kError.
#pragma once

#include <cstdint>

namespace radlyn::platform {

// Last-error codes.
inline constexpr std::uint32_t kWinFileNotFound = 2;           // ERROR_FILE_NOT_FOUND
inline constexpr std::uint32_t kWinPathNotFound = 3;           // ERROR_PATH_NOT_FOUND
inline constexpr std::uint32_t kWinAccessDenied = 5;           // ERROR_ACCESS_DENIED
inline constexpr std::uint32_t kWinNotEnoughMemory = 8;        // ERROR_NOT_ENOUGH_MEMORY
inline constexpr std::uint32_t kWinWriteProtect = 19;          // ERROR_WRITE_PROTECT
inline constexpr std::uint32_t kWinGeneralFailure = 31;        // ERROR_GEN_FAILURE
inline constexpr std::uint32_t kWinSharingViolation = 32;      // ERROR_SHARING_VIOLATION
inline constexpr std::uint32_t kWinLockViolation = 33;         // ERROR_LOCK_VIOLATION
inline constexpr std::uint32_t kWinBadNetPath = 53;            // ERROR_BAD_NETPATH
inline constexpr std::uint32_t kWinNetworkBusy = 54;           // ERROR_NETWORK_BUSY
inline constexpr std::uint32_t kWinDeviceGone = 55;            // ERROR_DEV_NOT_EXIST
inline constexpr std::uint32_t kWinNetworkError = 59;          // ERROR_UNEXP_NET_ERR
inline constexpr std::uint32_t kWinNetworkNameGone = 64;       // ERROR_NETNAME_DELETED
inline constexpr std::uint32_t kWinBadNetName = 67;            // ERROR_BAD_NET_NAME
inline constexpr std::uint32_t kWinFileExists = 80;            // ERROR_FILE_EXISTS
inline constexpr std::uint32_t kWinDiskFull = 112;             // ERROR_DISK_FULL
inline constexpr std::uint32_t kWinSemaphoreTimeout = 121;     // ERROR_SEM_TIMEOUT
inline constexpr std::uint32_t kWinInvalidName = 123;          // ERROR_INVALID_NAME
inline constexpr std::uint32_t kWinModuleNotFound = 126;       // ERROR_MOD_NOT_FOUND
inline constexpr std::uint32_t kWinProcedureNotFound = 127;    // ERROR_PROC_NOT_FOUND
inline constexpr std::uint32_t kWinAlreadyExists = 183;        // ERROR_ALREADY_EXISTS
inline constexpr std::uint32_t kWinBadExeFormat = 193;         // ERROR_BAD_EXE_FORMAT
inline constexpr std::uint32_t kWinFileNameTooLong = 206;      // ERROR_FILENAME_EXCED_RANGE
inline constexpr std::uint32_t kWinUserMappedFile = 1224;      // ERROR_USER_MAPPED_FILE
inline constexpr std::uint32_t kWinNetworkUnreachable = 1231;  // ERROR_NETWORK_UNREACHABLE

// HRESULTs.
inline constexpr std::uint32_t kWinUnspecifiedFailure = 0x80004005;  // E_FAIL
inline constexpr std::uint32_t kWinOutOfMemory = 0x8007000E;         // E_OUTOFMEMORY
inline constexpr std::uint32_t kWinInvalidArgument = 0x80070057;     // E_INVALIDARG
inline constexpr std::uint32_t kWinTypeMismatch = 0x80020005;        // DISP_E_TYPEMISMATCH
inline constexpr std::uint32_t kWinOverflow = 0x8002000A;            // DISP_E_OVERFLOW

}  // namespace radlyn::platform
