// GetMorlundFolder: the folder of the Morlund installation, ending with a separator, or empty
// text. Evaluated afresh at every call: the default value of Morlund's automation-server
// registration (LocalServer32) up to and including its last separator, else the fixed folder
// when the Morlund program file lies there.
#pragma once

#include <string>

namespace radlyn {

std::string GetMorlundFolder();

}  // namespace radlyn
