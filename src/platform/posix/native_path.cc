#include "platform/posix/native_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <vector>

#include "platform/last_error.h"
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

// What Windows makes of a component's trailing blanks and dots: the last component (nothing
// follows it) loses all of them, a component before a separator one trailing dot. Components of
// dots only are relative steps or names Windows refuses, and stay as they are.
std::string_view TrimAsWindows(std::string_view component, bool last) {
  if (component.find_first_not_of('.') == std::string_view::npos) return component;
  if (last) {
    const std::size_t end = component.find_last_not_of(". ");
    return end == std::string_view::npos ? std::string_view() : component.substr(0, end + 1);
  }
  if (component.back() == '.') component.remove_suffix(1);
  return component;
}

bool IsReservedDeviceName(std::string_view component) {
  // The device is named by what comes before the first dot, trailing blanks aside.
  std::string_view base = TrimAsWindows(component, true);
  base = base.substr(0, base.find('.'));
  base = base.substr(0, base.find_last_not_of(' ') + 1);
  std::string lower;
  for (char c : base)
    lower.push_back(static_cast<char>(FoldCase1252(static_cast<unsigned char>(c))));
  constexpr std::array<std::string_view, 4> kDevices = {"con", "prn", "aux", "nul"};
  if (std::find(kDevices.begin(), kDevices.end(), lower) != kDevices.end()) return true;
  return lower.size() == 4 &&
         (lower.compare(0, 3, "com") == 0 || lower.compare(0, 3, "lpt") == 0) && lower[3] >= '1' &&
         lower[3] <= '9';
}

bool IsRefusedCharacter(char c, bool wildcard_allowed) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 1 && byte < 0x20) return true;
  if (c == '?' || c == '*') return !wildcard_allowed;
  return std::string_view("<>:\"|").find(c) != std::string_view::npos;
}

}  // namespace

std::uint32_t WindowsPathRefusal(std::string_view text, PathUse use) {
  constexpr std::size_t kMaxPath = 260;  // characters, the terminator included
  if (text.size() > kMaxPath) return kWinFileNameTooLong;
  if (text.size() == kMaxPath) return kWinPathNotFound;
  std::vector<std::string_view> components = SplitComponents(text);
  // "C:" before the first separator names a drive.
  if (text.size() >= 2 && text[1] == ':' && components.front().size() == 2) {
    components.front().remove_prefix(2);
  }
  for (std::size_t i = 0; i < components.size(); ++i) {
    const bool last = i + 1 == components.size();
    const bool wildcards = last && use == PathUse::kSearchPattern;
    if (std::any_of(components[i].begin(), components[i].end(),
                    [wildcards](char c) { return IsRefusedCharacter(c, wildcards); })) {
      return kWinInvalidName;
    }
  }
  if (use == PathUse::kName && IsReservedDeviceName(components.back())) return kWinInvalidName;
  return 0;
}

std::string ResolveDotSteps(std::string_view text) {
  const std::vector<std::string_view> parts = SplitComponents(text);
  if (std::none_of(parts.begin(), parts.end(),
                   [](std::string_view part) { return part == "." || part == ".."; })) {
    return std::string(text);
  }
  // What no step may take away: the leading separators, a UNC path's server and share, a drive.
  std::size_t floor = 0;
  while (floor + 1 < parts.size() && parts[floor].empty()) ++floor;
  if (floor >= 2) floor += 2;
  if (floor == 0 && parts[0].size() == 2 && parts[0][1] == ':') floor = 1;
  floor = std::min(floor, parts.size());
  std::vector<std::string_view> kept(parts.begin(), parts.begin() + floor);
  const bool absolute = floor > 0;
  for (std::size_t i = floor; i < parts.size(); ++i) {
    const std::string_view part = parts[i];
    if (part == "." || part.empty()) continue;
    if (part == "..") {
      if (kept.size() > floor && kept.back() != "..") {
        kept.pop_back();
      } else if (!absolute) {
        kept.push_back(part);
      }
      continue;
    }
    kept.push_back(part);
  }
  std::string resolved;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) resolved.push_back(kPathSeparator);
    resolved.append(kept[i]);
  }
  if (IsPathSeparator(text.back()) && !resolved.empty() && !IsPathSeparator(resolved.back())) {
    resolved.push_back(kPathSeparator);
  }
  return resolved.empty() && absolute ? std::string(1, kPathSeparator) : resolved;
}

std::optional<std::string> CheckedNativePath(std::string_view text, PathUse use) {
  std::uint32_t refusal = WindowsPathRefusal(text, use);
  const bool drive = text.size() >= 2 && text[1] == ':' &&
                     ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
  if (refusal == 0 && drive) refusal = kWinPathNotFound;
  if (refusal != 0) {
    SetLastErrorCode(refusal);
    return std::nullopt;
  }
  return ToNativePath(text);
}

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
  const std::string resolved = ResolveDotSteps(text);
  std::vector<std::string_view> components = SplitComponents(resolved);
  std::string native;
  bool resolving = true;  // false once a component does not exist: the rest cannot either
  for (std::size_t i = 0; i < components.size(); ++i) {
    const std::string_view component = TrimAsWindows(components[i], i + 1 == components.size());
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
  // A text of steps alone (".\", "out\..") names the current folder, as on Windows; only an
  // empty text names nothing.
  if (native.empty() && !text.empty() && resolved.empty()) return ".";
  return native;
}

}  // namespace radlyn::platform
