#include "job/job_files.h"

#include <cstdio>

#include "platform/profile.h"

namespace radlyn {

std::string ReadProfileText(const TextKey& key, std::string_view path) {
  return ReadProfileText(key, key.fallback, path);
}

std::string ReadProfileText(const TextKey& key, std::string_view fallback, std::string_view path) {
  return platform::GetProfile().ReadString(key.section, key.key, fallback, key.limit, path);
}

std::int32_t ReadProfileInt(const IntKey& key, std::string_view path) {
  return platform::GetProfile().ReadInt(key.section, key.key, key.fallback, path);
}

bool WriteProfileInt(std::string_view section, std::string_view key, std::int32_t value,
                     std::string_view path) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  return platform::GetProfile().WriteString(section, key, text, path);
}

}  // namespace radlyn
