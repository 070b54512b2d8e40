#include "job/output_folder.h"

#include "job/job_files.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "support/disk_space.h"

namespace radlyn {

std::optional<std::string> ReadOutputFolder(const std::string& job_file,
                                            std::string_view data_folder, std::string& unexpanded) {
  // Separator first, then expansion. A value longer than its limit would arrive cut, naming
  // another folder (a parent, when the cut falls on a separator): it is read one character
  // further so that it is refused instead.
  TextKey over_limit = kImageDataPathKey;
  ++over_limit.limit;
  const std::string folder_value = ReadProfileText(over_limit, data_folder, job_file);
  unexpanded = platform::WithTrailingSeparator(folder_value);
  if (folder_value.size() > kImageDataPathKey.limit) return std::nullopt;
  return platform::GetEnvironment().ExpandEnvironmentText(unexpanded, platform::kMaxPath);
}

bool HasEnoughFreeSpace(const std::string& folder) {
  std::uint64_t free_bytes = 0;
  return GetFreeDiskSpace(folder, &free_bytes) && free_bytes >= kMinimumFreeBytes;
}

std::optional<std::string> FindImageLeftBehind(const std::string& folder) {
  platform::FileSystem& files = platform::GetFileSystem();
  // An empty folder text names no folder; it is never taken for the current one.
  if (folder.empty() || !files.FolderExists(folder)) return std::nullopt;
  std::optional<std::string> image = files.FindFirstFile(folder + "*.bmp");
  if (!image) image = files.FindFirstFile(folder + "*.tif");
  return image;
}

}  // namespace radlyn
