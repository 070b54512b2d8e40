// Linux: faults end the process as the kernel does (crash_report.h says why).
#include "platform/crash_report.h"

namespace radlyn::platform {

void InstallCrashReporter(CrashReporter) {}

}  // namespace radlyn::platform
