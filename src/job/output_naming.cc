#include "job/output_naming.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/file_system.h"

namespace radlyn {

std::string BuildImageFilePath(std::string_view folder, std::string_view file_format) {
  const platform::LocalTime now = platform::GetClock().Now();
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d_%02d%02d%02d", now.year, now.month, now.day,
                now.hour, now.minute, now.second);
  const std::string base = std::string(folder) + stamp;
  const std::string extension = "." + std::string(file_format);

  platform::FileSystem& files = platform::GetFileSystem();
  std::string candidate = base + extension;
  // A name held by a link, even one that leads nowhere, is taken: the image must not be written
  // where a link points.
  for (long long counter = 1; files.Exists(candidate) || files.IsLink(candidate); ++counter) {
    candidate = base + "_" + std::to_string(counter) + extension;
  }
  return candidate;
}

}  // namespace radlyn
