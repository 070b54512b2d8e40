// The limit of one automation call: the built-in one unless RADLYN_CALL_LIMIT_MS names another.
#include <charconv>
#include <optional>
#include <string>

#include "platform/automation.h"
#include "platform/environment.h"

namespace radlyn::platform {

std::uint32_t AutomationCallLimitMs() {
  const std::optional<std::string> text = GetEnvironment().GetVariable("RADLYN_CALL_LIMIT_MS");
  if (!text) return kAutomationCallLimitMs;
  std::uint32_t limit = 0;
  const char* end = text->data() + text->size();
  const auto [stop, error] = std::from_chars(text->data(), end, limit);
  // Anything but a whole positive number keeps the built-in limit.
  if (error != std::errc() || stop != end || limit == 0) return kAutomationCallLimitMs;
  return limit;
}

}  // namespace radlyn::platform
