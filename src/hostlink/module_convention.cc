// How module calls are classified and recorded (module_convention.h, module_function.h).
#include "hostlink/module_convention.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "hostlink/module_function.h"
#include "platform/debug_output.h"
#include "support/event_log.h"

namespace radlyn {
namespace {

// Module calls are made by the job's one thread; a crash report reads this from its own thread.
std::atomic<const char*> module_in_call{nullptr};

}  // namespace

ModuleConvention ConventionOfCall(std::uint32_t bytes_removed, std::size_t argument_count) {
  if (argument_count == 0) return ModuleConvention::kUnknown;
  if (bytes_removed == 0) return ModuleConvention::kCdecl;
  if (bytes_removed == 4 * argument_count) return ModuleConvention::kStdcall;
  return ModuleConvention::kUnsupported;
}

const char* ConventionName(ModuleConvention convention) {
  switch (convention) {
    case ModuleConvention::kCdecl:
      return "cdecl";
    case ModuleConvention::kStdcall:
      return "stdcall";
    case ModuleConvention::kUnsupported:
      return "unsupported";
    case ModuleConvention::kUnknown:
      break;
  }
  return "unknown";
}

void ModuleCalls::Record(std::uint32_t bytes_removed, std::size_t argument_count) {
  if (convention != ModuleConvention::kUnknown) return;
  convention = ConventionOfCall(bytes_removed, argument_count);
  if (convention == ModuleConvention::kUnknown) return;
  std::string text = std::string("RADLYN - ") + name + ": " + ConventionName(convention);
  if (convention == ModuleConvention::kUnsupported) {
    text += " (" + std::to_string(bytes_removed) + " bytes removed of " +
            std::to_string(4 * argument_count) + ")";
  }
  platform::WriteDebugOutput(text);
}

void ModuleCalls::NoteFloatControlChange(std::uint32_t x87_before, std::uint32_t x87_left,
                                         std::uint32_t mxcsr_before, std::uint32_t mxcsr_left) {
  if (float_control_named) return;
  float_control_named = true;
  char text[160];
  std::snprintf(text, sizeof text,
                ": a call changed the floating-point control (x87 control word 0x%04X to 0x%04X, "
                "MXCSR 0x%04X to 0x%04X); restored after each call",
                static_cast<unsigned>(x87_before), static_cast<unsigned>(x87_left),
                static_cast<unsigned>(mxcsr_before), static_cast<unsigned>(mxcsr_left));
  WriteEventLog("Warning", std::string("Module ") + name + text);
}

const char* ModuleInCall() { return module_in_call; }

namespace module_call_detail {

InCall::InCall(const char* module) : previous_(module_in_call) { module_in_call = module; }
InCall::~InCall() { module_in_call = previous_; }

}  // namespace module_call_detail
}  // namespace radlyn
