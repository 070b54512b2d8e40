// The switches of the newer Morlund generation in DIR/hostsim.ini: the plug-in server, the
// options manager and the Orbel program. Like the module switches (core/switches.h) they are
// read afresh at every call, stand with their defaults and comments in one table, and
// `hostsim install` appends them to hostsim.ini from that table. Some defaults name places of
// the installation; they are written with the installation's folder put in for "{DIR}".
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "core/switches.h"

namespace hostsim {

// Every switch of the newer generation, grouped by section.
std::span<const SwitchEntry> NewGenerationSwitches();

// The newer generation's switches of `folder` + "hostsim.ini" (folder ends in '/').
class NgSwitches : public Switches {
 public:
  explicit NgSwitches(std::string folder) : Switches(std::move(folder), NewGenerationSwitches()) {}
};

}  // namespace hostsim
