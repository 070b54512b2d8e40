// A one-line description of the operating system for support reports: its name and version, and
// the architecture of the system and of this program (a 32-bit program on 64-bit Windows runs
// under WoW64, with the 32-bit registry view and the 32-bit Program Files folder).
#pragma once

#include <string>

namespace radlyn::platform {

struct SystemDescription {
  std::string system;        // e.g. "Windows 10.0 (build 19045)"
  std::string architecture;  // e.g. "64-bit Windows, 32-bit program (WoW64)"
};

SystemDescription DescribeSystem();

}  // namespace radlyn::platform
