// The calling convention of one of Morlund's modules, as its calls show it (module_function.h),
// and ProbeModuleConvention for programs that want to know it without running a job (a support
// checker): it loads the module from the Morlund folder by full path, calls its version check
// once with the version argument radlyn sends, releases the module and tells the convention.
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

// `module` is a module's file stem ("mofiledb", "momodch", "mogrfman", "moutil", "mofileio",
// any case). kUnknown when there is no Morlund folder, the module does not load or lacks its
// version check, or the name is none of the five. The module's library is released again
// (MoModCh included, which a job keeps: call this before a job, not during one).
ModuleConvention ProbeModuleConvention(std::string_view module);

}  // namespace radlyn
