// The kernel's name, release and machine (uname).
#include <sys/utsname.h>

#include <string>

#include "platform/system_info.h"

namespace radlyn::platform {

SystemDescription DescribeSystem() {
  SystemDescription description;
  utsname name{};
  if (::uname(&name) != 0) return {"unknown system", "unknown architecture"};
  description.system = std::string(name.sysname) + " " + name.release;
  description.architecture =
      std::string(name.machine) + ", " + std::to_string(sizeof(void*) * 8) + "-bit program";
  return description;
}

}  // namespace radlyn::platform
