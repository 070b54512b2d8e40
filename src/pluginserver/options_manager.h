// The options manager of the newer Morlund generation (MORLUNDNG.OptionsManager).
//
// GetOrbelDataFolder creates a new options-manager instance (a running one is not looked for),
// reads the option text of the Orbel plug-in's group "ORBEL" and releases the instance. The text
// is returned unchanged and may be empty; a manager that cannot be created also gives the empty
// text, silently; one whose creation does not answer within the call limit throws as a hung
// GetOption does. A GetOption call that the manager rejects, that cannot be delivered or that
// does not answer within its limit (logged first, server_call.h) throws platform::AutomationError,
// which is not caught here.
#pragma once

#include <string>

namespace radlyn {

std::string GetOrbelDataFolder();

}  // namespace radlyn
