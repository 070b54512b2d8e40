// Morlund's modules are probed in a child process (this program, started with kProbeSwitch and a
// file to write to), so that a module that crashes or hangs while it is loaded or asked for its
// version takes only the child with it. The child writes one line as it starts on each module
// and one with the module's findings after it; the parent reads them back and names the module
// that never came back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hostlink/module_probe.h"

namespace radlyn::check {

inline constexpr const char* kProbeSwitch = "--probe-modules";
inline constexpr std::uint32_t kProbeLimitMs = 30'000;
// ProbeOutcome::stopped_at after the last module: the child stopped while releasing the modules.
inline constexpr const char* kReleasing = "(releasing the modules)";

// The child's work: probes the modules, writing to `result_file`; the exit code is 0.
int RunProbeChild(const std::string& result_file);

struct ProbeOutcome {
  std::vector<ModuleProbe> probes;  // the modules that came back, in load order
  // The module the child was working on when it crashed or ran out of time; empty when it ended
  // normally.
  std::string stopped_at;
  bool started = false;      // the child could be started
  bool timed_out = false;    // it was still running at kProbeLimitMs
  bool user_rights = false;  // it ran with a normal user's rights (the check runs elevated)
  std::optional<std::uint32_t> exit_code;
};

// Starts the child (`program_path`: this program's file) and reads what it wrote.
ProbeOutcome ProbeModulesInChild(const std::string& program_path);

}  // namespace radlyn::check
