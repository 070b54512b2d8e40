// The rules of a job's output folder, shared by the job (acquisition_job.cc) and the support
// checker, so that both judge a folder alike.
//
// - ReadOutputFolder: the job file's ImageDataPath (the data folder when absent) with a trailing
//   separator and environment variables expanded; std::nullopt when the value is longer than its
//   limit or its expansion longer than a path may be (`unexpanded` then holds the text).
// - HasEnoughFreeSpace: the volume that holds the folder has at least kMinimumFreeBytes free for
//   this user, measured as GetFreeDiskSpace measures it; false also when it cannot be measured.
// - FindImageLeftBehind: the first image file (".bmp", then ".tif") an earlier job left in an
//   existing folder, which a job refuses unless DelOutImage is set; std::nullopt when there is
//   none or the folder text is empty.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace radlyn {

inline constexpr std::uint64_t kMinimumFreeBytes = 10'240'000;

std::optional<std::string> ReadOutputFolder(const std::string& job_file,
                                            std::string_view data_folder, std::string& unexpanded);
bool HasEnoughFreeSpace(const std::string& folder);
std::optional<std::string> FindImageLeftBehind(const std::string& folder);

}  // namespace radlyn
