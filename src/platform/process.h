// Starting another program and waiting for it, with a bounded wait and its exit code.
//
// Run starts the program file at `program_path` exactly as given (no search along PATH) with
// `argument_text` as its whole command line. On Linux the text is split into the program's
// arguments by the Windows command-line rules (SplitCommandLine), and the program path is its
// first argument. The child inherits no open file or handle beyond the standard streams, gets
// the default signal dispositions, and shares the caller's environment and current folder.
//
// Run waits until the child has ended, at most `time_limit_ms`, without polling in steps. A
// child still running when the limit expires keeps running and reports kStillActive as its exit
// code; it is not waited for any longer, and the process service reaps it quietly once it ends
// (at the latest when radlyn ends), so no finished child lingers as a zombie. On Windows the
// waiting thread handles its messages meanwhile (sent ones, and posted ones are dispatched), so
// its windows keep answering other programs; a quit message is left for the thread's own loop.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/service.h"

namespace radlyn::platform {

// The exit code of a process that has not ended yet (STILL_ACTIVE on Windows).
inline constexpr std::uint32_t kStillActive = 259;

struct ProcessRun {
  bool started = false;
  // The child's exit code (kStillActive when the limit expired); std::nullopt when it could not
  // be read. A child ended by a signal reports 128 plus the signal number.
  std::optional<std::uint32_t> exit_code;
};

class Processes {
 public:
  virtual ~Processes() = default;
  virtual ProcessRun Run(std::string_view program_path, std::string_view argument_text,
                         std::uint32_t time_limit_ms) = 0;
  // This process's id.
  virtual std::uint32_t CurrentProcessId() = 0;
  // True when process `id` runs and its program file has this process's file name (another
  // copy of this program, wherever installed). False when no process of that id runs, or it runs
  // another program. One that may not be inspected (another user's) counts as running, so that
  // its files are never taken for leftovers.
  virtual bool IsRunningThisProgram(std::uint32_t id) = 0;

  static Processes& Native();
};

inline Processes& GetProcesses() { return Service<Processes>::Get(); }

// The arguments of a command-line text by the Windows rules (those of the C runtime's argv):
// blanks and tabs separate arguments outside double quotes; a double quote opens or closes a
// quoted part and is dropped; inside a quoted part two double quotes give one literal double
// quote; 2n backslashes before a double quote give n backslashes, 2n+1 give n backslashes and a
// literal double quote; other backslashes are literal. An empty quoted part ("") is an argument.
std::vector<std::string> SplitCommandLine(std::string_view text);

}  // namespace radlyn::platform
