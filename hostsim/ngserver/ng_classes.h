// The two automation classes of the newer Morlund generation: the server name the program takes
// on its command line, the programmatic name clients look the class up by, and the class
// identifier that Windows' COM registers for it.
#pragma once

#include <string_view>

namespace hostsim {

struct NgClass {
  const char* server;
  const char* prog_id;
  const char* class_id;
};

inline constexpr NgClass kNgClasses[] = {
    {"PluginServer", "MORLUNDNG.PluginServer", "{E686154B-C954-43EB-8232-DC48741E88EA}"},
    {"OptionsManager", "MORLUNDNG.OptionsManager", "{BEA3E433-D3A3-456E-AC48-E3461E03C495}"},
};

// The class with this programmatic name; null for another name.
inline const NgClass* FindNgClass(std::string_view prog_id) {
  for (const NgClass& entry : kNgClasses) {
    if (prog_id == entry.prog_id) return &entry;
  }
  return nullptr;
}

}  // namespace hostsim
