#include "platform/clock.h"
#include "platform/win32/message_wait.h"
#include "platform/win32/windows_api.h"

namespace radlyn::platform {
namespace {

class Win32Clock : public Clock {
 public:
  LocalTime Now() override {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  }
};

}  // namespace

// The waits run on the thread that owns Radlyn's windows: they handle its messages, as the waits
// for Orbel and other processes do.
void Clock::Sleep(std::uint32_t milliseconds) { WaitHandlingMessages(nullptr, 0, milliseconds); }

Clock& Clock::Native() {
  static Win32Clock clock;
  return clock;
}

}  // namespace radlyn::platform
