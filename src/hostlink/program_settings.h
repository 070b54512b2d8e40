// The program's own settings: the folder of the running program file (with a trailing
// separator), the settings file "Radlyn.ini" in it, and the keys of its section "Config" that
// the host link reads. The job frame reads the same file (job/job_files.h).
#pragma once

#include <cstdint>
#include <string>

namespace radlyn {

inline constexpr const char* kSettingsFileName = "Radlyn.ini";

struct ProgramSetting {
  const char* section;
  const char* key;
  std::int32_t fallback;
};

// Nonzero: 16-to-8-bit reduction goes through the image's lookup table.
inline constexpr ProgramSetting kUseLutSetting{"Config", "UseLUT", 1};
// Nonzero: a stored image stands in for the exposure when Orbel processes the take.
inline constexpr ProgramSetting kSimuSetting{"Config", "Simu", 0};

std::string ProgramFolder();
std::string ProgramSettingsFilePath();

// The setting's value in the settings file, its fallback when absent.
std::int32_t ReadProgramSetting(const ProgramSetting& setting);

}  // namespace radlyn
