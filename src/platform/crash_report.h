// What the process does when an exception escapes everything, a fault inside a loaded module above
// all. On Windows: no system error dialog (behind which the client would wait without a result);
// instead the faulting thread hands the exception to a reporter thread made at installation, with
// a stack of its own, and waits: the report never runs on a stack that may have just overflowed.
// The reporter writes a minidump, tells the installed reporter, and ends the process with the
// exception code as its exit code. A thread that faults while a report is being made waits for
// that report to end the process. From the first fault on the process is crashing (IsCrashing):
// its waits no longer dispatch window messages, so no window procedure of a crashed module runs
// again on top of the faulted frame. On Linux a signal handler may make async-signal-safe calls
// only, so no reporter runs there: the job keeps its crash result prepared instead
// (crash_result.h), and InstallCrashReporter does nothing.
//
// Minidumps are patient data (a record on a stack may hold a name): stacks are filtered to what a
// stack walk needs, each dump goes to the user's temporary folder (read in UTF-16, so a folder
// named outside the ANSI code page works) under a new name, "<program>-YYYYMMDD-HHMMSS-<process
// id>.dmp" (a counter added when that exists), never over another file, and only the newest
// kKeptCrashDumps of the program's dumps stay there.
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

inline constexpr int kKeptCrashDumps = 5;

// Installs `reporter` for the rest of the process (nullptr: end without a report), with its
// reporter thread, and keeps stack in reserve on the calling thread for reporting an overflow.
void InstallCrashReporter(CrashReporter reporter);

// Keeps stack in reserve on the calling thread too, when it calls code that may overflow it.
void ReserveStackForCrashReport();

// Puts the process's own exception filter back in place after foreign code (a module's start-up)
// may have replaced it. Nothing happens before InstallCrashReporter.
struct ForeignCrashFilter {
  bool found = false;  // another filter was in place
  std::string module;  // the file name of the module it lies in, or "" when unknown
};
ForeignCrashFilter ReinstallCrashReporter();

// True from the moment an exception reaches the filter until the process ends.
bool IsCrashing();
// Sets IsCrashing (the filter does; a test may too).
void EnterCrashMode();

// The job's result writes and the crash report take turns through this lock: a report never
// interleaves with the main thread's writes. It may be taken again by the thread that holds it
// (the report writes through the same code). The report waits for it a few seconds at most, so
// that a thread that faulted while holding it cannot keep the report from being written.
class ResultWriteTurn {
 public:
  ResultWriteTurn();
  ~ResultWriteTurn();
  ResultWriteTurn(const ResultWriteTurn&) = delete;
  ResultWriteTurn& operator=(const ResultWriteTurn&) = delete;

 private:
  bool held_;
};
// The crash report's turn, for the calling thread: taken for good (the process ends after the
// report); false when the lock stayed held through `limit_ms`, and the thread's result writes
// then go ahead without it.
bool TakeResultWriteTurnForReport(std::uint32_t limit_ms);

}  // namespace radlyn::platform
