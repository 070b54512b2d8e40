#include "job/job_files.h"

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

}  // namespace radlyn
