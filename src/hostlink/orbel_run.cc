// Running the Orbel program: a bounded wait for its exit code.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "hostlink/morlund_link.h"
#include "hostlink/orbel.h"
#include "platform/environment.h"
#include "platform/process.h"

namespace radlyn {

namespace {
constexpr std::uint32_t kRunFailed = 18;  // "Task switch not carried through"
}  // namespace

std::uint32_t RunAndWait(std::string_view program_path, std::string_view argument_text,
                         std::uint32_t time_limit_ms) {
  const platform::ProcessRun run =
      platform::GetProcesses().Run(program_path, argument_text, time_limit_ms);
  if (!run.started || !run.exit_code || *run.exit_code != 0) return kRunFailed;
  return 0;
}

std::uint32_t OrbelTimeLimit(std::uint32_t time_limit_ms) {
#ifdef RADLYN_TEST_SEAMS
  if (const auto text = platform::GetEnvironment().GetVariable("RADLYN_ORBEL_TIMEOUT_SCALE")) {
    double scale = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), scale);
    if (error == std::errc() && end == text->data() + text->size() && scale > 0 && scale <= 1) {
      return static_cast<std::uint32_t>(std::max(1.0, std::round(time_limit_ms * scale)));
    }
  }
#endif
  return time_limit_ms;
}

std::uint32_t CMorlundLink::RunOrbel(const std::string& program_path, std::string_view arguments,
                                     std::uint32_t time_limit_ms) {
  return RunAndWait(program_path, arguments, OrbelTimeLimit(time_limit_ms));
}

}  // namespace radlyn
