// The calling convention of one of Morlund's modules, as its calls show it (module_function.h).
// A program that wants it without running a job uses ProbeMorlundModules (module_probe.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace radlyn {

enum class ModuleConvention : std::uint8_t {
  kUnknown,      // not called yet with arguments (or no module to call)
  kCdecl,        // the caller removes the arguments (every Linux module)
  kStdcall,      // the callee removes them
  kUnsupported,  // the callee removed some other number of bytes: the module is not loadable
};

// The convention a call shows: 0 bytes removed: cdecl; 4 per argument: stdcall; else unsupported.
// A call without arguments shows nothing (kUnknown).
ModuleConvention ConventionOfCall(std::uint32_t bytes_removed, std::size_t argument_count);

// "cdecl", "stdcall", "unsupported" or "unknown".
const char* ConventionName(ModuleConvention convention);

}  // namespace radlyn
