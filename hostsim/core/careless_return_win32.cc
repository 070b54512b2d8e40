// Windows: what a careless module leaves behind (misbehaviour.h).
#include <cstdint>

#include "core/misbehaviour.h"
#include "platform/win32/windows_api.h"

namespace hostsim {
namespace {

LONG WINAPI EndWithoutReport(EXCEPTION_POINTERS*) {
  ::TerminateProcess(::GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void WritePastParameters(std::uint32_t* last_parameter, int words) {
  volatile std::uint32_t* beyond = last_parameter + 1;
  for (int i = 0; i < words; ++i) beyond[i] = 0xDEADBEEFu;
}

void LeaveCallStateChanged(const CarelessReturn& careless) {
  if (careless.float_control) {
    // Rounding towards zero in both units, and single precision on the x87.
    std::uint16_t x87 = 0;
    asm volatile("fnstcw %0" : "=m"(x87));
    x87 = static_cast<std::uint16_t>((x87 & ~0x0300u) | 0x0C00u);
    asm volatile("fldcw %0" : : "m"(x87));
    std::uint32_t mxcsr = 0;
    asm volatile("stmxcsr %0" : "=m"(mxcsr));
    mxcsr |= 0x6000u;
    asm volatile("ldmxcsr %0" : : "m"(mxcsr));
  }
  if (careless.direction_flag) asm volatile("std" ::: "cc");
}

void InstallOwnFilterWhenSwitched(const Switches& switches, std::string_view section) {
  if (switches.Int(section, "OwnFilter") != 0) ::SetUnhandledExceptionFilter(&EndWithoutReport);
}

}  // namespace hostsim
