// The workstation's local date and time, to the second, and waiting a while.
#pragma once

#include <cstdint>

#include "platform/service.h"

namespace radlyn::platform {

struct LocalTime {
  int year = 0;    // four digits
  int month = 0;   // 1 to 12
  int day = 0;     // 1 to 31
  int hour = 0;    // 0 to 23
  int minute = 0;  // 0 to 59
  int second = 0;  // 0 to 59
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() = 0;
  // Blocks the calling thread for `milliseconds`. A replacement that only records the wait lets
  // a test run through retry delays without sleeping.
  virtual void Sleep(std::uint32_t milliseconds);

  static Clock& Native();
};

inline Clock& GetClock() { return Service<Clock>::Get(); }

}  // namespace radlyn::platform
