#include <cerrno>
#include <ctime>

#include "platform/clock.h"

namespace radlyn::platform {
namespace {

class PosixClock : public Clock {
 public:
  LocalTime Now() override {
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
            parts.tm_hour,        parts.tm_min,     parts.tm_sec};
  }
};

}  // namespace

void Clock::Sleep(std::uint32_t milliseconds) {
  timespec rest{static_cast<std::time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1'000'000L};
  while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
  }
}

Clock& Clock::Native() {
  static PosixClock clock;
  return clock;
}

}  // namespace radlyn::platform
