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

constexpr std::array<std::uint32_t, 12> kTransientErrors{
    kWinAccessDenied,        // also a file being deleted while another program has it open
    kWinSharingViolation,    // another program opened the file without sharing it
    kWinLockViolation,       // another program locked a range of it
    kWinBadNetPath,          // a server that does not answer for a moment
    kWinNetworkBusy,         // the network is busy
    kWinDeviceGone,          // a share's device went away for a moment
    kWinNetworkError,        // an unexpected network error
    kWinNetworkNameGone,     // a share's name went away for a moment
    kWinBadNetName,          // a share that is not offered for a moment
    kWinSemaphoreTimeout,    // a network operation timed out
    kWinUserMappedFile,      // a scanner or indexer has the file mapped
    kWinNetworkUnreachable,  // the network is not reachable for a moment
};

}  // namespace

bool IsTransientFileError(std::uint32_t code) {
  return std::find(kTransientErrors.begin(), kTransientErrors.end(), code) !=
         kTransientErrors.end();
}

bool WaitBeforeRetry(int retries_made, RetryBudget& budget) {
  const std::uint32_t error = GetLastErrorCode();
  if (retries_made >= kMaxTransientRetries || !IsTransientFileError(error) ||
      budget.RemainingMs() == 0) {
    return false;
  }
  const std::uint32_t wait = std::min(
      static_cast<std::uint32_t>(retries_made + 1) * kTransientRetryStepMs, budget.RemainingMs());
  budget.Spend(wait);
  GetClock().Sleep(wait);
  SetLastErrorCode(error);  // the wait does not change what failed
  return true;
}

}  // namespace radlyn::platform
