// Linux: no exception filter for a module to replace, and the kernel needs no stack kept in
// reserve for a report (crash_report.h).
#include "platform/crash_report.h"

namespace radlyn::platform {

void ReserveStackForCrashReport() {}

ForeignCrashFilter ReinstallCrashReporter() { return {}; }

}  // namespace radlyn::platform
