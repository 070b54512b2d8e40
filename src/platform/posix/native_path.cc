#include "platform/posix/native_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <vector>

#include "platform/paths.h"
#include "platform/posix/text_case.h"
#include "platform/posix/text_encoding.h"

namespace radlyn::platform {
namespace {

bool NameExists(const std::string& native_path) {
  struct stat info;
  return lstat(native_path.c_str(), &info) == 0;
}

// Splits a program text at both separators, keeping empty components so that leading, doubled
// and trailing separators survive the trip.
std::vector<std::string_view> SplitComponents(std::string_view text) {
  std::vector<std::string_view> components;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || IsPathSeparator(text[i])) {
      components.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return components;
}

}  // namespace

std::optional<std::string> FindNameIgnoringCase(const std::string& native_dir,
                                                std::string_view ansi_name) {
  std::string exact = AnsiToNative(ansi_name);
  if (NameExists(JoinNative(native_dir, exact))) return exact;

  DIR* dir = opendir(native_dir.empty() ? "." : native_dir.c_str());
  if (dir == nullptr) return std::nullopt;
  std::optional<std::string> best;
  while (const dirent* entry = readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (!EqualsIgnoringCase(NativeToAnsi(name), ansi_name)) continue;
    if (!best || name < *best) best = std::string(name);
  }
  closedir(dir);
  return best;
}

std::string NativeParent(const std::string& native_path) {
  std::size_t slash = native_path.find_last_of('/');
  if (slash == std::string::npos) return "";
  return native_path.substr(0, slash + 1);
}

std::string NativeLastComponent(const std::string& native_path) {
  std::size_t slash = native_path.find_last_of('/');
  return slash == std::string::npos ? native_path : native_path.substr(slash + 1);
}

std::string JoinNative(const std::string& native_dir, std::string_view name) {
  std::string joined = native_dir;
  if (!joined.empty() && joined.back() != '/') joined.push_back('/');
  joined.append(name);
  return joined;
}

std::string ToNativePath(std::string_view text) {
  std::vector<std::string_view> components = SplitComponents(text);
  std::string native;
  bool resolving = true;  // false once a component does not exist: the rest cannot either
  for (std::size_t i = 0; i < components.size(); ++i) {
    std::string_view component = components[i];
    if (i > 0) native.push_back('/');
    if (!resolving || component.empty() || component == "." || component == "..") {
      native.append(AnsiToNative(component));
      continue;
    }
    std::optional<std::string> found = FindNameIgnoringCase(native, component);
    if (found) {
      native.append(*found);
    } else {
      native.append(AnsiToNative(component));
      resolving = false;
    }
  }
  return native;
}

}  // namespace radlyn::platform
