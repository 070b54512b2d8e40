// The application manifest compiled into the program (resource type 24, id 1), which Windows
// reads before the program starts:
// - it requests no execution level: the program runs with the rights of whoever starts it, and
//   UAC file and registry virtualization stays on, as for Morlund itself (a legacy program), so
//   Morlund's modules in this process see the VirtualStore copies of Morlund's settings under
//   Program Files that Morlund writes and reads;
// - it names every Windows version it was made for (7, 8, 8.1, 10 and 11), so none of them
//   applies the compatibility behaviour of an older one;
// - it is aware of the system's DPI (its dialogs are laid out in dialog units and scale with the
//   dialog font), so Windows does not stretch its windows as bitmaps;
// - it binds the version 6 common controls, which draw themed buttons.
// The ANSI code page is left to the system (no activeCodePage): clients write their job files in
// the workstation's code page.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace radlyn::rcgen {

struct ManifestInput {
  std::string name;  // assembly name, such as "Tavora.Radlyn"
  std::array<std::uint16_t, 4> version{};
  std::string description;
};

// The manifest as UTF-8 XML; only ASCII texts are accepted (std::invalid_argument otherwise).
std::string WriteApplicationManifest(const ManifestInput& input);

}  // namespace radlyn::rcgen
