#include "misbehaviour.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <thread>

namespace hostsim {
namespace {

[[noreturn]] void Crash() {
  // The address is read back from a volatile, so the compiler cannot see that it is invalid and
  // makes the store as written, as a module with a wild pointer would.
  volatile std::uintptr_t address = 0x10;
  *reinterpret_cast<volatile int*>(address) = 1;
  std::abort();  // not reached
}

[[noreturn]] void Hang() {
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

}  // namespace

void CrashOrHangBy(int how, const Switches& switches, LogLine line) {
  if (how == 1) {
    line.Result("crash").WriteTo(switches.folder());
    Crash();
  }
  if (how == 2) {
    line.Result("hanging").WriteTo(switches.folder());
    Hang();
  }
}

void CrashOrHangWhenSwitched(const Switches& switches, std::string_view section, LogLine line) {
  if (switches.Int(section, "Crash") != 0) CrashOrHangBy(1, switches, line);
  if (switches.Int(section, "Hang") != 0) CrashOrHangBy(2, switches, line);
}

}  // namespace hostsim
