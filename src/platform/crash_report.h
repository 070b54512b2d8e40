// What the process does when an exception escapes everything, a fault inside a loaded module above
// all. On Windows: no system error dialog (behind which the client would wait without a result);
// instead a minidump of the process goes to the temporary folder, the installed reporter hears
// of the exception, and the process ends with the exception code as its exit code. A second
// exception while reporting ends the process at once. On Linux a signal handler may make
// async-signal-safe calls only, so no reporter runs there: the job keeps its crash result
// prepared instead (crash_result.h), and InstallCrashReporter does nothing.
#pragma once

#include <cstdint>
#include <string>

namespace radlyn::platform {

struct CrashReport {
  std::uint32_t code = 0;       // 0xC0000005: access violation
  std::string faulting_module;  // file name of the code that faulted ("momodch.dll"), or ""
  std::string dump_path;        // the minidump written, or "" when none could be
};

using CrashReporter = void (*)(const CrashReport& report);

// Installs `reporter` for the rest of the process (nullptr: end without a report).
void InstallCrashReporter(CrashReporter reporter);

}  // namespace radlyn::platform
