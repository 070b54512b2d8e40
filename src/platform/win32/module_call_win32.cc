// The call thunk behind CallMeasuringStack. The compiler may address locals through ESP and may
// merge two differently typed calls into one, so only assembly can call a function of unknown
// convention safely: it keeps the frame in EBP and the stack pointer of the moment before the
// call in EBX (both callee-saved under cdecl and stdcall), compares ESP after the call with it,
// then restores ESP from EBP whatever the callee did.
//
// The frame, from the caller's arguments down:
//   ebp+20  state          where the measurements go (CallState below)
//   ebp+16  count
//   ebp+12  arguments
//   ebp+8   function
//   ebp+4   return address
//   ebp+0   caller's EBP
//   ebp-4   EBX, ebp-8 ESI, ebp-12 EDI (the caller's)
//   ebp-16  x87 control word before the call
//   ebp-20  MXCSR before the call
//   ebp-21 .. ebp-148   scratch area, zeroed before the call (kCallScratchBytes)
//   below   the arguments, first argument lowest; EBX = ESP at the call
#include <cstddef>

#include "platform/module_call.h"

namespace {

// What the thunk measures, at fixed offsets (the assembly writes them).
struct CallState {
  std::uint32_t bytes_removed;  // +0
  std::uint32_t x87_before;     // +4
  std::uint32_t x87_left;       // +8
  std::uint32_t mxcsr_before;   // +12
  std::uint32_t mxcsr_left;     // +16
};
static_assert(offsetof(CallState, bytes_removed) == 0 && offsetof(CallState, x87_before) == 4 &&
              offsetof(CallState, x87_left) == 8 && offsetof(CallState, mxcsr_before) == 12 &&
              offsetof(CallState, mxcsr_left) == 16);
static_assert(radlyn::platform::kCallScratchBytes == 128, "the thunk's scratch area is 32 words");

}  // namespace

extern "C" std::uint64_t radlyn_call_measuring_stack(const void* function,
                                                     const std::uint32_t* arguments,
                                                     std::uint32_t count, CallState* state);

// cdecl, with the leading underscore of i386 Windows C names.
asm(R"(
    .text
    .globl _radlyn_call_measuring_stack
    .def _radlyn_call_measuring_stack; .scl 2; .type 32; .endef
_radlyn_call_measuring_stack:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    subl $8, %esp
    movl $0, -16(%ebp)
    fnstcw -16(%ebp)
    stmxcsr -20(%ebp)
    subl $128, %esp
    cld
    movl %esp, %edi
    movl $32, %ecx
    xorl %eax, %eax
    rep stosl
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  movl %esp, %ebx
    calll *8(%ebp)
    cld
    movl %esp, %ecx
    subl %ebx, %ecx
    movl 20(%ebp), %esi
    movl %ecx, (%esi)
    movl -16(%ebp), %ecx
    movl %ecx, 4(%esi)
    movl $0, 8(%esi)
    fnstcw 8(%esi)
    movl -20(%ebp), %ecx
    movl %ecx, 12(%esi)
    stmxcsr 16(%esi)
    fldcw -16(%ebp)
    ldmxcsr -20(%ebp)
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

namespace radlyn::platform {

MeasuredCall CallMeasuringStack(const void* function, const std::uint32_t* arguments,
                                std::size_t count) {
  CallState state{};
  MeasuredCall call{};
  call.result =
      radlyn_call_measuring_stack(function, arguments, static_cast<std::uint32_t>(count), &state);
  call.bytes_removed = state.bytes_removed;
  call.x87_control_before = state.x87_before;
  call.x87_control_left = state.x87_left;
  call.mxcsr_before = state.mxcsr_before;
  call.mxcsr_left = state.mxcsr_left;
  return call;
}

}  // namespace radlyn::platform
