#include "hostlink/program_settings.h"

#include <algorithm>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace radlyn {

std::string ProgramFolder() {
  std::string path = platform::GetFileSystem().ProgramFilePath();
  const auto last = std::find_if(path.rbegin(), path.rend(), platform::IsPathSeparator);
  path.erase(static_cast<std::size_t>(path.rend() - last));
  return platform::WithTrailingSeparator(path);
}

std::string ProgramSettingsFilePath() { return ProgramFolder() + kSettingsFileName; }

std::int32_t ReadProgramSetting(const ProgramSetting& setting) {
  return platform::GetProfile().ReadInt(setting.section, setting.key, setting.fallback,
                                        ProgramSettingsFilePath());
}

}  // namespace radlyn
