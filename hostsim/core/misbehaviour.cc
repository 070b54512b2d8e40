#include "misbehaviour.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace hostsim {
namespace {

// A text on the faulting stack, for telling whether a minidump keeps stack contents.
constexpr char kStackMarker[] = "hostsim-stack-marker";

[[noreturn]] void Crash() {
  volatile char marker[sizeof kStackMarker];
  for (std::size_t i = 0; i < sizeof kStackMarker; ++i) marker[i] = kStackMarker[i];
  // The address is read back from a volatile, so the compiler cannot see that it is invalid and
  // makes the store as written, as a module with a wild pointer would.
  volatile std::uintptr_t address = 0x10;
  *reinterpret_cast<volatile int*>(address) = marker[0];
  std::abort();  // not reached
}

// Read through a volatile, so the compiler keeps the recursion as written.
volatile bool keep_recursing = true;

void Recurse(int depth) {
  volatile char frame[4096];
  frame[0] = static_cast<char>(depth);
  if (keep_recursing) Recurse(depth + 1);
  frame[1] = frame[0];
}

[[noreturn]] void CrashOnTwoThreads() {
  std::atomic<bool> ready{false};
  std::thread other([&ready] {
    ready = true;
    Crash();
  });
  while (!ready) {
  }
  Crash();
}

[[noreturn]] void Hang() {
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

}  // namespace

namespace {

// Logs the call as crashing, then crashes as `how` says (2: stack overflow, 3: two threads,
// anything else: one wild store).
[[noreturn]] void CrashLogged(int how, const Switches& switches, LogLine& line) {
  line.Result("crash").WriteTo(switches.folder());
  if (how == 2) Recurse(0);
  if (how == 3) CrashOnTwoThreads();
  Crash();
}

}  // namespace

void CrashOrHangBy(int how, const Switches& switches, LogLine line) {
  if (how == 1) CrashLogged(1, switches, line);
  if (how == 2) {
    line.Result("hanging").WriteTo(switches.folder());
    Hang();
  }
}

void CrashOrHangWhenSwitched(const Switches& switches, std::string_view section, LogLine line) {
  if (const int crash = switches.Int(section, "Crash"); crash != 0) {
    CrashLogged(crash, switches, line);
  }
  if (switches.Int(section, "Hang") != 0) CrashOrHangBy(2, switches, line);
}

CarelessReturn CarelessReturnSwitched(const Switches& switches, std::string_view section) {
  CarelessReturn careless;
  careless.direction_flag = switches.Int(section, "DirectionFlag") != 0;
  careless.float_control = switches.Int(section, "FloatControl") != 0;
  careless.words_past_parameters = std::clamp(switches.Int(section, "WritePastParameters"), 0, 32);
  return careless;
}

}  // namespace hostsim
