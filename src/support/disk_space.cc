#include "support/disk_space.h"

#include "platform/file_system.h"

namespace radlyn {
namespace {

// \\server\share\folder\ -> \\server\share\ : the copy ends right after the second backslash
// that follows the leading pair.
std::string NetworkShareRoot(std::string_view path) {
  std::string root(path.substr(0, kMaxVolumeRootLength));
  int found = 0;
  for (std::size_t i = 2; i < root.size(); ++i) {
    if (root[i] == '\\' && ++found == 2) {
      root.resize(i + 1);
      break;
    }
  }
  return root;
}

}  // namespace

std::optional<std::string> GetVolumeRoot(std::optional<std::string_view> path) {
  if (!path.has_value()) return std::nullopt;
  std::string_view text = *path;
  if (!text.empty() && text[0] == '\\') return NetworkShareRoot(text);
  if (text.size() >= 2 && text[1] == ':') return std::string{text[0], ':', '\\'};
  return std::string(text);
}

bool GetFreeDiskSpace(std::optional<std::string_view> path, std::uint64_t* free_bytes) {
  if (free_bytes == nullptr) return false;
  std::optional<std::string> root = GetVolumeRoot(path);
  std::optional<std::uint64_t> available =
      platform::GetFileSystem().FreeBytesAvailable(root.value_or(std::string()));
  if (!available.has_value()) return false;
  *free_bytes = *available;
  return true;
}

}  // namespace radlyn
