// One call of a newer-generation server, named for the event log. A call that does not answer
// within its limit (platform::AutomationTimeout) is written to the event log ("Error") as
// "<server> <member> did not answer within <limit>", the limit in seconds when whole, and its
// error then travels on as every failed call's does.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/automation.h"

namespace radlyn {

inline constexpr std::string_view kPluginServerName = "MORLUND PlugIn Server";
inline constexpr std::string_view kOptionsManagerName = "MORLUND Options Manager";

platform::AutomationResult CallServer(
    platform::AutomationObject& object, std::string_view server, std::string_view member,
    std::int32_t dispatch_id, platform::InvokeKind kind,
    const std::vector<platform::AutomationArgument>& arguments, platform::ResultType result_type,
    std::vector<platform::AutomationResult>* out_arguments = nullptr);

}  // namespace radlyn
