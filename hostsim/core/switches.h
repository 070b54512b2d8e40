// The run-time switches of a hostsim installation: DIR/hostsim.ini, read afresh at every call so
// a test can change the behaviour of an installed Morlund between calls. Every switch, its
// default and its comment stand in one table; `hostsim install` writes hostsim.ini from it, so
// the file and the code never disagree. A missing file or key gives the default.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace hostsim {

inline constexpr const char* kSwitchFileName = "hostsim.ini";

struct SwitchEntry {
  const char* section;
  const char* key;
  const char* fallback;
  const char* comment;
};

// Every switch, grouped by section in the order hostsim.ini lists them.
std::span<const SwitchEntry> AllSwitches();

// A switch's default with "{DIR}" replaced by `folder` (ending in '/'): some defaults name places
// of the installation.
std::string SwitchDefaultFor(const SwitchEntry& entry, const std::string& folder);

class Switches {
 public:
  // Reads `folder` + "hostsim.ini" (folder ends in '/'), knowing the switches of `table`.
  explicit Switches(std::string folder, std::span<const SwitchEntry> table = AllSwitches());

  // The switch's value, or its default. Asking for a switch that is not in the table is a
  // programming error and answers the empty text / 0.
  std::string Text(std::string_view section, std::string_view key) const;
  std::int32_t Int(std::string_view section, std::string_view key) const;

  const std::string& folder() const { return folder_; }

 private:
  const SwitchEntry* Find(std::string_view section, std::string_view key) const;

  std::string folder_;
  std::string path_;
  std::span<const SwitchEntry> table_;
};

}  // namespace hostsim
