// ModuleFunction: one function entry of the module table, called like the function it holds.
// On 32-bit Windows every call goes through the measuring call (platform/module_call.h): the
// modules may be stdcall or cdecl libraries, and the first call with arguments into a module
// records which (ModuleCalls::convention), named in the debug output as "RADLYN - momodch:
// stdcall". A call whose callee removed neither nothing nor all of its arguments marks the module
// unsupported; the stack is whole again either way. A module that changes the floating-point
// control is named in the event log once. Linux calls the function directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "hostlink/module_convention.h"
#ifdef _WIN32
#include "platform/module_call.h"
#endif

namespace radlyn {

// What a module's calls have shown so far; shared by all entries of the module.
struct ModuleCalls {
  const char* name = "";  // the module's file stem, as the debug output names it
  ModuleConvention convention = ModuleConvention::kUnknown;

  // The event log has named a change of the floating-point control by this module (once a job).
  bool float_control_named = false;

  // Records the convention at the first call that tells it.
  void Record(std::uint32_t bytes_removed, std::size_t argument_count);
  // A call left the x87 control word or MXCSR changed (the call put them back): the first time,
  // the event log names the module and the values.
  void NoteFloatControlChange(std::uint32_t x87_before, std::uint32_t x87_left,
                              std::uint32_t mxcsr_before, std::uint32_t mxcsr_left);
};

// The module whose function the job's thread is calling, or nullptr: a crash report names it.
const char* ModuleInCall();

namespace module_call_detail {

class InCall {
 public:
  explicit InCall(const char* module);
  ~InCall();
  InCall(const InCall&) = delete;
  InCall& operator=(const InCall&) = delete;

 private:
  const char* previous_;
};

#ifdef _WIN32
static_assert(sizeof(void*) == 4, "module functions take 32-bit arguments");
template <typename T>
std::uint32_t Word(T value) {
  if constexpr (std::is_pointer_v<T>) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(value));
  } else {
    static_assert(std::is_integral_v<T> && sizeof(T) == 4, "32-bit arguments only");
    return static_cast<std::uint32_t>(value);
  }
}
#endif

}  // namespace module_call_detail

template <typename Signature>
class ModuleFunction;

template <typename R, typename... A>
class ModuleFunction<R(A...)> {
 public:
  ModuleFunction() = default;
  ModuleFunction(std::nullptr_t) {}  // NOLINT(google-explicit-constructor): entries start null
  // A function of any convention whose address a test hands in; no module records its calls.
  template <typename F, typename = std::enable_if_t<std::is_function_v<F>>>
  ModuleFunction(F* function)  // NOLINT(google-explicit-constructor)
      : address_(reinterpret_cast<void*>(function)) {}

  void Bind(void* address, ModuleCalls* module) {
    address_ = address;
    module_ = address != nullptr ? module : nullptr;
  }
  void* address() const { return address_; }
  explicit operator bool() const { return address_ != nullptr; }
  friend bool operator==(const ModuleFunction& f, std::nullptr_t) { return f.address_ == nullptr; }
  friend bool operator!=(const ModuleFunction& f, std::nullptr_t) { return f.address_ != nullptr; }

  R operator()(A... args) const {
    module_call_detail::InCall in_call(module_ != nullptr ? module_->name : "");
#ifdef _WIN32
    const std::uint32_t words[sizeof...(A) + 1] = {module_call_detail::Word(args)..., 0};
    const platform::MeasuredCall call = platform::CallMeasuringStack(address_, words, sizeof...(A));
    if (module_ != nullptr) {
      module_->Record(call.bytes_removed, sizeof...(A));
      if (call.FloatControlChanged()) {
        module_->NoteFloatControlChange(call.x87_control_before, call.x87_control_left,
                                        call.mxcsr_before, call.mxcsr_left);
      }
    }
    if constexpr (!std::is_void_v<R>) {
      static_assert(std::is_integral_v<R> && sizeof(R) <= 8, "integer results only");
      return static_cast<R>(call.result);
    }
#else
    // One convention here: the caller removes the arguments.
    if (module_ != nullptr) module_->Record(0, sizeof...(A));
    return reinterpret_cast<R (*)(A...)>(address_)(args...);
#endif
  }

 private:
  void* address_ = nullptr;
  ModuleCalls* module_ = nullptr;
};

}  // namespace radlyn
