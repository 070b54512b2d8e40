// Linux: no reporter thread; a fault writes the prepared crash result (crash_result.h).
#include "platform/crash_report.h"

namespace radlyn::platform {

void InstallCrashReporter(CrashReporter) {}

}  // namespace radlyn::platform
