// Translation of errno values into the Windows numbering of last_error.h.
#pragma once

#include <cstdint>

namespace radlyn::platform {

// The Windows error code that stands for `errno_value` (31 for anything without its own code).
std::uint32_t WindowsErrorFromErrno(int errno_value);

// Sets the thread's last error from `errno_value`.
void SetLastErrorFromErrno(int errno_value);

}  // namespace radlyn::platform
