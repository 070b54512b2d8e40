#include "resources/string_table.h"

namespace radlyn {
namespace {

constexpr StringResource kStringTable[] = {
    {kIdsDefaultDataFolder, "%APPDATA%\\Tavora\\RADLYN"},
    {kIdsJobStart, "RADLYN - New X-ray image"},
    {kIdsJobEnd, "RADLYN - End X-ray image"},
    {kIdsProgramName, "RADLYN"},
    {kIdsOleInitFailed,
     "OLE initialization failed. Make sure that the OLE libraries on your system are the correct "
     "version."},
    {kIdsNoAutoPostElement,
     "RADLYN - Couldn't find TAVORAAUTOPOST. No auto post processing possible."},
    {kIdsMorlundTooOld, "Error: The detected version of MORLUND is too old. Requested version: "},
    {kIdsSimulatedImage,
     "RADLYN - Simulation mode: the image is a stored sample, not an exposure of this patient"},
};

}  // namespace

std::string_view LoadResourceString(int id) {
  for (const StringResource& entry : kStringTable) {
    if (entry.id == id) return entry.text;
  }
  return {};
}

std::span<const StringResource> ResourceStrings() { return kStringTable; }

}  // namespace radlyn
