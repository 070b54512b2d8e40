// Calls into a library function whose calling convention is known only once it has been called
// (32-bit Windows: the callee removes its arguments from the stack under stdcall, the caller
// under cdecl). The arguments go as 32-bit words, first argument first; the call measures how
// many bytes of them the callee removed and restores the stack pointer either way, so a wrong
// guess never shifts the caller's stack. The result registers (EDX:EAX) come back untouched.
//
// The call also contains what a careless callee leaves behind: a zeroed scratch area of
// kCallScratchBytes lies between the arguments and the caller's saved state (a function that
// writes past its declared parameters, or uses them as scratch, writes there); the direction
// flag is cleared after the call; the x87 control word and MXCSR are put back as they were
// before it, and the call says what the callee had left in them.
// Windows only: on Linux the host link calls module functions directly.
#pragma once

#include <cstddef>
#include <cstdint>

namespace radlyn::platform {

inline constexpr std::size_t kCallScratchBytes = 128;

struct MeasuredCall {
  std::uint64_t result;         // EAX in the low half, EDX in the high half
  std::uint32_t bytes_removed;  // 0: cdecl; 4 x count: stdcall; anything else: neither
  // The floating-point control before the call (and again after it) and as the callee left it.
  std::uint32_t x87_control_before;
  std::uint32_t x87_control_left;
  std::uint32_t mxcsr_before;
  std::uint32_t mxcsr_left;

  // MXCSR's low six bits are sticky exception flags that any arithmetic may set: not control.
  static constexpr std::uint32_t kMxcsrFlags = 0x3F;
  bool FloatControlChanged() const {
    return x87_control_left != x87_control_before ||
           ((mxcsr_left ^ mxcsr_before) & ~kMxcsrFlags) != 0;
  }
};

MeasuredCall CallMeasuringStack(const void* function, const std::uint32_t* arguments,
                                std::size_t count);

}  // namespace radlyn::platform
