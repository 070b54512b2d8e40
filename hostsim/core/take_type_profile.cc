#include "take_type_profile.h"

#include <algorithm>
#include <optional>

#include "platform/profile.h"

namespace hostsim {

namespace {

// A value no INI line can hold, to tell a missing key from an empty one.
constexpr std::string_view kMissing = "\x01hostsim-missing\x01";

std::optional<std::string> FirstPresentKey(std::string_view section, std::string_view key,
                                           std::string_view take_type, std::string_view file) {
  auto& profile = radlyn::platform::GetProfile();
  for (const std::string& candidate : TakeTypeKeys(key, take_type)) {
    if (profile.ReadString(section, candidate, kMissing, kMissing.size() + 1, file) != kMissing) {
      return candidate;
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> TakeTypeKeys(std::string_view key, std::string_view take_type) {
  std::vector<std::string> keys;
  std::string compact;
  for (char c : take_type) {
    if (c != ' ') compact.push_back(c);
  }
  if (!compact.empty()) keys.push_back(std::string(key) + "_" + compact);
  if (take_type.size() >= 4) {
    std::string by_image_type =
        std::string(key) + "_" + std::string(take_type.substr(take_type.size() - 2));
    if (std::find(keys.begin(), keys.end(), by_image_type) == keys.end()) {
      keys.push_back(by_image_type);
    }
  }
  keys.emplace_back(key);
  return keys;
}

std::int32_t ReadIntTakeType(std::string_view section, std::string_view key,
                             std::string_view take_type, std::int32_t fallback,
                             std::string_view file) {
  std::optional<std::string> present = FirstPresentKey(section, key, take_type, file);
  if (!present) return fallback;
  return radlyn::platform::GetProfile().ReadInt(section, *present, fallback, file);
}

std::string ReadStringTakeType(std::string_view section, std::string_view key,
                               std::string_view take_type, std::string_view fallback,
                               std::size_t limit, std::string_view file) {
  std::optional<std::string> present = FirstPresentKey(section, key, take_type, file);
  if (!present) return std::string(fallback.substr(0, std::min(limit, fallback.size())));
  return radlyn::platform::GetProfile().ReadString(section, *present, fallback, limit, file);
}

}  // namespace hostsim
