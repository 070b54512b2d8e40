// The errors that make Radlyn's own file operations wait and try again, and the wait itself
// (file_system.h).
#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/last_error.h"
#include "platform/windows_codes.h"

namespace radlyn::platform {
namespace {

constexpr std::array<std::uint32_t, 8> kTransientErrors{
    kWinAccessDenied,  // also a file that is being deleted while another program has it open
    kWinSharingViolation, kWinLockViolation,   kWinNetworkBusy,      kWinDeviceGone,
    kWinNetworkError,     kWinNetworkNameGone, kWinSemaphoreTimeout,
};

}  // namespace

bool IsTransientFileError(std::uint32_t code) {
  return std::find(kTransientErrors.begin(), kTransientErrors.end(), code) !=
         kTransientErrors.end();
}

bool WaitBeforeRetry(int retries_made) {
  const std::uint32_t error = GetLastErrorCode();
  if (retries_made >= kMaxTransientRetries || !IsTransientFileError(error)) return false;
  GetClock().Sleep(static_cast<std::uint32_t>(retries_made + 1) * kTransientRetryStepMs);
  SetLastErrorCode(error);  // the wait does not change what failed
  return true;
}

}  // namespace radlyn::platform
