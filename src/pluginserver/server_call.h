// One call of a newer-generation server, named for the event log. A call that does not answer
// within its limit (platform::AutomationTimeout) is written to the event log ("Error") as
// "<server> <member> did not answer within <limit>", the limit in seconds when whole, and its
// error then travels on as every failed call's does. Finding or creating the server's instance
// (ConnectStep) is logged the same way, named by the step that hung (GetActiveObject,
// CreateInstance, QueryInterface, Release).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/automation.h"

namespace radlyn {

inline constexpr std::string_view kPluginServerName = "MORLUND PlugIn Server";
inline constexpr std::string_view kOptionsManagerName = "MORLUND Options Manager";

// Writes the event-log line of a call or step of `server` that outlived its limit.
void LogUnanswered(std::string_view server, std::string_view member,
                   const platform::AutomationTimeout& timeout);

// `step()` (a lookup or creation through platform::Automation), its timeout logged.
template <typename Step>
auto ConnectStep(std::string_view server, Step step) -> decltype(step()) {
  try {
    return step();
  } catch (const platform::AutomationTimeout& timeout) {
    LogUnanswered(server, timeout.step(), timeout);
    throw;
  }
}

platform::AutomationResult CallServer(
    platform::AutomationObject& object, std::string_view server, std::string_view member,
    std::int32_t dispatch_id, platform::InvokeKind kind,
    const std::vector<platform::AutomationArgument>& arguments, platform::ResultType result_type,
    std::vector<platform::AutomationResult>* out_arguments = nullptr);

}  // namespace radlyn
