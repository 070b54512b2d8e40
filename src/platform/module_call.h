// Calls into a library function whose calling convention is known only once it has been called
// (32-bit Windows: the callee removes its arguments from the stack under stdcall, the caller
// under cdecl). The arguments go as 32-bit words, first argument first; the call measures how
// many bytes of them the callee removed and restores the stack pointer either way, so a wrong
// guess never shifts the caller's stack. The result registers (EDX:EAX) come back untouched.
// Windows only: on Linux the host link calls module functions directly.
#pragma once

#include <cstddef>
#include <cstdint>

namespace radlyn::platform {

struct MeasuredCall {
  std::uint64_t result;         // EAX in the low half, EDX in the high half
  std::uint32_t bytes_removed;  // 0: cdecl; 4 x count: stdcall; anything else: neither
};

MeasuredCall CallMeasuringStack(const void* function, const std::uint32_t* arguments,
                                std::size_t count);

}  // namespace radlyn::platform
