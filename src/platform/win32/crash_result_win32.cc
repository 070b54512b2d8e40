// Windows: the reporter thread writes a crash's result itself (crash_report.h), so nothing is
// prepared here.
#include "platform/crash_result.h"

namespace radlyn::platform {

void InstallCrashResultWriter(CrashModuleSource) {}
bool CrashResultWriterInstalled() { return false; }
bool PrepareCrashResult(const CrashResult&) { return true; }
void DiscardCrashResult() {}
void PrepareCrashLog(const std::string&, const std::vector<std::string>&) {}

}  // namespace radlyn::platform
