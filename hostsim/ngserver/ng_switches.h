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

#include "core/switches.h"

namespace hostsim {

// Every switch of the newer generation, grouped by section.
std::span<const SwitchEntry> NewGenerationSwitches();

// A switch's default with "{DIR}" replaced by `folder` (ending in '/').
std::string SwitchDefaultFor(const SwitchEntry& entry, const std::string& folder);

class NgSwitches {
 public:
  // Reads `folder` + "hostsim.ini" (folder ends in '/').
  explicit NgSwitches(std::string folder);

  std::string Text(std::string_view section, std::string_view key) const;
  std::int32_t Int(std::string_view section, std::string_view key) const;

  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
  std::string path_;
};

}  // namespace hostsim
