// Running the Orbel program: a bounded wait for its exit code.
#include <string>

#include "hostlink/morlund_link.h"
#include "hostlink/orbel.h"
#include "platform/process.h"
#include "support/error_numbers.h"

namespace radlyn {

std::uint32_t RunAndWait(std::string_view program_path, std::string_view argument_text,
                         std::uint32_t time_limit_ms) {
  const platform::ProcessRun run =
      platform::GetProcesses().Run(program_path, argument_text, time_limit_ms);
  if (!run.started || !run.exit_code || *run.exit_code != 0) return kErrorTaskSwitch;
  return kErrorNone;
}

std::uint32_t CMorlundLink::RunOrbel(const std::string& program_path, std::string_view arguments,
                                     std::uint32_t time_limit_ms) {
  return RunAndWait(program_path, arguments, time_limit_ms);
}

}  // namespace radlyn
