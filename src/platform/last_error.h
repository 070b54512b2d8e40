// The calling thread's last operating-system error, in Windows numbering (windows_codes.h), so
// that callers above the platform layer report the same numbers on every platform. Backends set it
// when an operation fails and leave it alone when one succeeds. Codes the Linux backend sets:
// file not found, path not found, access denied, write-protected (a read-only file system), any
// other failure (general failure), a share not reached (bad network path), file exists (a new
// file's name is taken), disk full, a name Windows refuses (invalid name), library not loadable
// (module not found), export not found, already exists, a path too long.
#pragma once

#include <cstdint>

#include "platform/windows_codes.h"

namespace radlyn::platform {

std::uint32_t GetLastErrorCode();
void SetLastErrorCode(std::uint32_t code);

}  // namespace radlyn::platform
