// The plug-in server of the newer Morlund generation (MORLUNDNG.PluginServer).
//
// GetOrbelPluginPath connects to the server, logs in as "MorlundNG", looks the Orbel plug-in up,
// and answers its program path when its version is 1.2 or later; otherwise the empty text. A
// failed connection or log-in is written to the event log ("Error"); a missing plug-in, a missing
// login object or an older version is not. Every object is released and, after a successful
// log-in, Logout is called before it returns, on every path. An automation call that the server
// rejects, that cannot be delivered or that does not answer within its limit throws
// platform::AutomationError, which is not caught here (a call past its limit is logged first,
// server_call.h).
//
// ConnectPluginServer fills `server` with the running instance when there is one, else with a
// new instance; false when the class is not registered or no instance can be had. A lookup or
// creation that does not answer within the call limit throws platform::AutomationTimeout, logged
// first (server_call.h), and is not taken for a failed connection: the job does not go on as if
// there were no plug-in server while one hangs.
#pragma once

#include <memory>
#include <string>

#include "platform/automation.h"

namespace radlyn {

std::string GetOrbelPluginPath();

bool ConnectPluginServer(std::unique_ptr<platform::AutomationObject>& server);

}  // namespace radlyn
