// The three INI files of a job and the keys the job frame reads from them.
//
// The job file "RADLYN_in.ini" (written by the client) and the result file "RADLYN_out.ini" lie in
// the data folder; the settings file "Radlyn.ini" lies beside the program file (its name and the
// keys the host link reads: hostlink/program_settings.h). Keys are read one
// per call through the platform's profile service: a text key is cut at its limit, a missing file,
// section or key gives the default, a key present but empty gives "".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace radlyn {

inline constexpr const char* kJobFileName = "RADLYN_in.ini";
inline constexpr const char* kResultFileName = "RADLYN_out.ini";
// Beside the result file: the job's result keys while the job runs (see CJobFrame).
inline constexpr const char* kPendingResultFileName = "RADLYN_out.ini.tmp";

struct TextKey {
  const char* section;
  const char* key;
  std::size_t limit;  // characters
  const char* fallback;
};

struct IntKey {
  const char* section;
  const char* key;
  std::int32_t fallback;
};

// Job file.
inline constexpr TextKey kClientNameKey{"Logon", "ClientName", 259, ""};
inline constexpr TextKey kTakeTypeKey{"Info", "Type", 4, ""};
inline constexpr TextKey kRegioKey{"Info", "Regio", 16, ""};
inline constexpr TextKey kDoctorKey{"Info", "Doc", 128, ""};
inline constexpr TextKey kFirstNameKey{"Patient", "FirstName", 128, ""};
inline constexpr TextKey kLastNameKey{"Patient", "LastName", 128, ""};
inline constexpr TextKey kPatientIdKey{"Patient", "ID", 64, ""};
inline constexpr TextKey kBirthdateKey{"Patient", "Birthdate", 10, ""};
inline constexpr IntKey kAssure8BitKey{"Config", "fAssure8Bit", 1};
// Its default is the data folder, handed in by the caller.
inline constexpr TextKey kImageDataPathKey{"Config", "ImageDataPath", 259, ""};
inline constexpr TextKey kFileFormatKey{"Config", "FileFormat", 3, "tif"};
inline constexpr IntKey kDoAutoPostProcKey{"Config", "fDoAutoPostProc", 1};

// Settings file.
inline constexpr IntKey kDelOutImageKey{"Config", "DelOutImage", 0};

std::string ReadProfileText(const TextKey& key, std::string_view path);
std::string ReadProfileText(const TextKey& key, std::string_view fallback, std::string_view path);
std::int32_t ReadProfileInt(const IntKey& key, std::string_view path);

}  // namespace radlyn
