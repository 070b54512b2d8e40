// Linked into radlyn_short_limits, a build of radlyn for the tests only: before main runs, the
// platform's process service is wrapped so that every program run gets a hundredth of its time
// limit (Orbel's 300 s check becomes 3 s). A test of a program that outlives its limit then
// takes seconds, while the program a user builds carries no such switch.
#include <algorithm>
#include <cstdint>

#include "platform/process.h"

namespace {

using radlyn::platform::Processes;
using radlyn::platform::ProcessRun;

class ShortLimitProcesses final : public Processes {
 public:
  ProcessRun Run(std::string_view program_path, std::string_view argument_text,
                 std::uint32_t time_limit_ms) override {
    return Processes::Native().Run(program_path, argument_text,
                                   std::max<std::uint32_t>(1, time_limit_ms / 100));
  }
  std::uint32_t CurrentProcessId() override { return Processes::Native().CurrentProcessId(); }
  bool IsRunningThisProgram(std::uint32_t id) override {
    return Processes::Native().IsRunningThisProgram(id);
  }
};

ShortLimitProcesses g_processes;
[[maybe_unused]] const bool g_installed =
    (radlyn::platform::Service<Processes>::Replace(&g_processes), true);

}  // namespace
