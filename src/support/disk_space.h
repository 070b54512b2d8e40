// GetFreeDiskSpace: the bytes the current user may still write to the volume that holds a path.
//
// The path is reduced to its volume root before the platform is asked:
// - no path: no root; the platform measures the current folder's volume;
// - a path starting with a backslash (a network path): at most 254 characters of it, cut right
//   after the second backslash found from the third character on, so that a path of the form
//   \\server\share\folder\ is measured at \\server\share\ ; with fewer backslashes the whole
//   copy is the root;
// - a drive path (second character ':'): the drive letter followed by ":\";
// - any other path (a Linux folder such as /srv/images/): the path itself, whose nearest
//   existing ancestor the platform measures. A drive root made from its first character would
//   measure the wrong file system.
// Answers false when there is no place for the count or the query fails; the count is left alone
// then.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace radlyn {

inline constexpr std::size_t kMaxVolumeRootLength = 254;

// The root handed to the platform; std::nullopt stands for "no root".
std::optional<std::string> GetVolumeRoot(std::optional<std::string_view> path);

bool GetFreeDiskSpace(std::optional<std::string_view> path, std::uint64_t* free_bytes);

}  // namespace radlyn
