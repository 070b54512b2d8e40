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

namespace radlyn::platform {

// Sets the platform's last error (last_error.h) from the calling thread's Win32 error.
inline void SetLastErrorFromWin32() {
  SetLastErrorCode(static_cast<std::uint32_t>(::GetLastError()));
}

}  // namespace radlyn::platform
