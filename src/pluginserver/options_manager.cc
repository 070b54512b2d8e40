#include "pluginserver/options_manager.h"

#include <cstdint>
#include <memory>

#include "platform/automation.h"
#include "pluginserver/orbel_plugin.h"
#include "pluginserver/server_call.h"

namespace radlyn {
namespace {

constexpr std::int32_t kGetOption = 3;

}  // namespace

std::string GetOrbelDataFolder() {
  std::unique_ptr<platform::AutomationObject> manager = ConnectStep(kOptionsManagerName, [] {
    return platform::GetAutomation().CreateInstance(kOptionsManagerProgId);
  });
  if (!manager) return {};
  platform::AutomationResult option = CallServer(
      *manager, kOptionsManagerName, "GetOption", kGetOption, platform::InvokeKind::kPropertyGet,
      {std::string(kOrbelPluginId), std::string(kOrbelOptionGroup)}, platform::ResultType::kText);
  return platform::ResultAsText(option);
}

}  // namespace radlyn
