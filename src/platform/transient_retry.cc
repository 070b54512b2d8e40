// The errors that make Radlyn's own file operations wait and try again, and the wait itself
// (file_system.h).
#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/last_error.h"

namespace radlyn::platform {
namespace {

// Windows numbering (last_error.h).
constexpr std::array<std::uint32_t, 12> kTransientErrors{
    5,     // ERROR_ACCESS_DENIED: also a file being deleted while another program has it open
    32,    // ERROR_SHARING_VIOLATION
    33,    // ERROR_LOCK_VIOLATION
    53,    // ERROR_BAD_NETPATH: a server that does not answer for a moment
    54,    // ERROR_NETWORK_BUSY
    55,    // ERROR_DEV_NOT_EXIST
    59,    // ERROR_UNEXP_NET_ERR
    64,    // ERROR_NETNAME_DELETED
    67,    // ERROR_BAD_NET_NAME: a share that is not offered for a moment
    121,   // ERROR_SEM_TIMEOUT
    1224,  // ERROR_USER_MAPPED_FILE: a scanner or indexer has the file mapped
    1231,  // ERROR_NETWORK_UNREACHABLE
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
