// The call thunk behind CallMeasuringStack. The compiler may address locals through ESP and may
// merge two differently typed calls into one, so only assembly can call a function of unknown
// convention safely: it keeps the frame in EBP and the stack pointer of the moment before the
// call in EBX (both callee-saved under cdecl and stdcall), compares ESP after the call with it,
// then restores ESP from EBP whatever the callee did.
#include "platform/module_call.h"

extern "C" std::uint64_t radlyn_call_measuring_stack(const void* function,
                                                     const std::uint32_t* arguments,
                                                     std::uint32_t count,
                                                     std::uint32_t* bytes_removed);

// cdecl, with the leading underscore of i386 Windows C names:
//   [ebp+8] function, [ebp+12] arguments, [ebp+16] count, [ebp+20] bytes_removed.
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
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  movl %esp, %ebx
    calll *8(%ebp)
    movl %esp, %ecx
    subl %ebx, %ecx
    movl 20(%ebp), %esi
    movl %ecx, (%esi)
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
  MeasuredCall call{};
  call.result = radlyn_call_measuring_stack(function, arguments, static_cast<std::uint32_t>(count),
                                            &call.bytes_removed);
  return call;
}

}  // namespace radlyn::platform
