// The job's result as a fault would leave it, prepared while the job runs.
//
// Linux: a fault (SIGSEGV, SIGBUS, SIGILL, SIGFPE), most likely inside one of Morlund's modules,
// runs a handler on a stack of its own. A handler may make async-signal-safe calls only (no
// allocation, no locks, no stdio: a fault inside the allocator would leave it locked), so
// everything it writes is prepared here beforehand, whenever the job's result changes:
// - the result file's bytes as the crash leaves them: PrepareCrashResult keeps the text the job
//   hands it (its pending result with the crash's keys set). Where kCrashTextMarker stands in a
//   value the handler puts the crash text, "Unhandled
//   exception SIGSEGV in momodch.so during a call into momodch": the signal, the file name of
//   the code that faulted ("unknown code" when it lies in no loaded file) and, when the source
//   installed with InstallCrashResultWriter names one, the module in call;
// - the event-log lines, kCrashTimeMarker standing for the local time of the crash and
//   kCrashTextMarker for the crash text.
// The handler creates the pending file anew (exclusively, without following a link, after
// deleting what is there), writes and syncs it and renames it over the result file, so the
// client reads the whole result or none; it appends each event-log line in one write, and ends
// the process with the signal's default action (the exit status names the signal). Without a
// prepared result (none yet, or discarded) it only writes the event-log lines it has.
//
// Windows reports a crash from its reporter thread (crash_report.h), where ordinary calls are
// safe; there these functions do nothing.
#pragma once

#include <string>
#include <vector>

namespace radlyn::platform {

inline constexpr const char* kCrashTextMarker = "\x01crash\x01";
inline constexpr const char* kCrashTimeMarker = "\x01time\x01";

struct CrashResult {
  std::string pending_path;  // program texts (paths.h)
  std::string result_path;
  std::string text;  // the whole result file as the crash leaves it, markers included
};

// The name of the module whose function the faulting thread is calling, or nullptr.
using CrashModuleSource = const char* (*)();

// Installs the fault handler for the rest of the process; `module_in_call` may be nullptr.
void InstallCrashResultWriter(CrashModuleSource module_in_call);

// Whether a crash writes what is prepared here: false before InstallCrashResultWriter, and
// always on Windows, so that callers need not prepare anything.
bool CrashResultWriterInstalled();

// Replaces what a crash writes with `result`; false (nothing prepared) when the pending file is a
// link, or the paths cannot be written on this system.
bool PrepareCrashResult(const CrashResult& result);
// A crash then writes no result file (one was published, or the job's result is withheld).
void DiscardCrashResult();
// The event-log file and the lines a crash appends there, each ending with its line break.
void PrepareCrashLog(const std::string& log_path, const std::vector<std::string>& lines);

}  // namespace radlyn::platform
