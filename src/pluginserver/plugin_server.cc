#include "pluginserver/plugin_server.h"

#include <cstdint>
#include <vector>

#include "pluginserver/orbel_plugin.h"
#include "pluginserver/parse_version.h"
#include "pluginserver/server_call.h"
#include "support/event_log.h"

namespace radlyn {
namespace {

using platform::AutomationObject;
using platform::AutomationResult;
using platform::InvokeKind;
using platform::ResultType;

// Dispatch identifiers of the server, its login object and a plug-in object.
constexpr std::int32_t kServerLogout = 1;
constexpr std::int32_t kServerLogin = 2;
constexpr std::int32_t kLoginPrepare = 11;
constexpr std::int32_t kLoginFindPlugin = 8;
constexpr std::int32_t kLoginPlugin = 17;
constexpr std::int32_t kPluginVersion = 8;
constexpr std::int32_t kPluginProgramPath = 13;

// 1.2 and later; both numbers compared as unsigned, as the server's own clients do.
bool IsAcceptedVersion(std::int32_t major, std::int32_t minor) {
  const auto major_u = static_cast<std::uint32_t>(major);
  const auto minor_u = static_cast<std::uint32_t>(minor);
  return major_u > 1 || (major_u == 1 && minor_u > 1);
}

// The Orbel program path from a logged-in session, or empty text.
std::string FindOrbelProgramPath(AutomationObject& login) {
  CallServer(login, kPluginServerName, "preparation call", kLoginPrepare, InvokeKind::kMethod, {},
             ResultType::kNone);
  AutomationResult found =
      CallServer(login, kPluginServerName, "FindPlugin", kLoginFindPlugin, InvokeKind::kMethod,
                 {std::string(kOrbelPluginId)}, ResultType::kInt32);
  const std::int32_t number = platform::ResultAsInt(found);
  if (number == 0) return {};

  AutomationResult plugin_result =
      CallServer(login, kPluginServerName, "Plugin", kLoginPlugin, InvokeKind::kPropertyGet,
                 {number}, ResultType::kObject);
  std::unique_ptr<AutomationObject> plugin = platform::ResultAsObject(plugin_result);
  if (!plugin) return {};

  AutomationResult version = CallServer(*plugin, kPluginServerName, "Version", kPluginVersion,
                                        InvokeKind::kPropertyGet, {}, ResultType::kText);
  std::int32_t major = 0;
  std::int32_t minor = 0;
  ParseVersion(platform::ResultAsText(version), major, minor);
  if (!IsAcceptedVersion(major, minor)) return {};

  AutomationResult path = CallServer(*plugin, kPluginServerName, "ProgramPath", kPluginProgramPath,
                                     InvokeKind::kPropertyGet, {}, ResultType::kText);
  return platform::ResultAsText(path);
}

}  // namespace

bool ConnectPluginServer(std::unique_ptr<AutomationObject>& server) {
  platform::Automation& automation = platform::GetAutomation();
  if (!automation.IsClassRegistered(kPluginServerProgId)) return false;
  platform::RunningInstance running = ConnectStep(
      kPluginServerName, [&] { return automation.FindRunningInstance(kPluginServerProgId); });
  if (running.running) {
    if (running.refused) return false;
    if (running.object) {
      server = std::move(running.object);
      return true;
    }
    // The running instance handed out no object: a new instance takes its place.
  }
  server = ConnectStep(kPluginServerName,
                       [&] { return automation.CreateInstance(kPluginServerProgId); });
  return server != nullptr;
}

std::string GetOrbelPluginPath() {
  std::unique_ptr<AutomationObject> server;
  if (!ConnectPluginServer(server)) {
    WriteEventLog("Error", "Connect to MORLUND PlugIn Server failed");
    return {};
  }

  std::vector<AutomationResult> out_arguments;
  AutomationResult status =
      CallServer(*server, kPluginServerName, "Login", kServerLogin, InvokeKind::kMethod,
                 {std::string(kPluginServerLoginName)}, ResultType::kInt32, &out_arguments);
  if (platform::ResultAsInt(status) < 0) {
    WriteEventLog("Error", "MORLUND PlugIn Server Login failed");
    return {};
  }

  std::string program_path;
  {
    // A server that reports success without handing out a login object has no plug-ins to
    // offer; it is logged out like any other session.
    std::unique_ptr<AutomationObject> login;
    if (!out_arguments.empty()) {
      if (auto* object = std::get_if<std::unique_ptr<AutomationObject>>(&out_arguments[0])) {
        login = std::move(*object);
      }
    }
    out_arguments.clear();
    if (login) program_path = FindOrbelProgramPath(*login);
  }
  CallServer(*server, kPluginServerName, "Logout", kServerLogout, InvokeKind::kMethod,
             {std::string(kPluginServerLoginName)}, ResultType::kNone);
  return program_path;
}

}  // namespace radlyn
