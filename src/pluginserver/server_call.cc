#include "pluginserver/server_call.h"

#include <string>

#include "support/event_log.h"

namespace radlyn {

platform::AutomationResult CallServer(platform::AutomationObject& object, std::string_view server,
                                      std::string_view member, std::int32_t dispatch_id,
                                      platform::InvokeKind kind,
                                      const std::vector<platform::AutomationArgument>& arguments,
                                      platform::ResultType result_type,
                                      std::vector<platform::AutomationResult>* out_arguments) {
  try {
    return object.Invoke(dispatch_id, kind, arguments, result_type, out_arguments);
  } catch (const platform::AutomationTimeout& timeout) {
    LogUnanswered(server, member, timeout);
    throw;
  }
}

void LogUnanswered(std::string_view server, std::string_view member,
                   const platform::AutomationTimeout& timeout) {
  const std::uint32_t ms = timeout.limit_ms();
  const std::string limit =
      ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
  WriteEventLog(
      "Error", std::string(server) + " " + std::string(member) + " did not answer within " + limit);
}

}  // namespace radlyn
