// The INI profile service over files: each call reads the whole file into an IniText; a write
// applies its one change and replaces the file atomically.
#include <limits>

#include "platform/paths.h"
#include "platform/posix/file_replace.h"
#include "platform/posix/ini_text.h"
#include "platform/profile.h"

namespace radlyn::platform {
namespace {

// The decimal number at the start of a value: blanks skipped, an optional sign, digits up to
// the first other character, 0 without digits; beyond the 32-bit range it saturates.
std::int32_t LeadingDecimal(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  constexpr std::int64_t kCap = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min(value * 10 + (text[i] - '0'), kCap);
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return static_cast<std::int32_t>(std::min(value, kCap - 1));
}

// The workstation's profile service hands out a value enclosed in a pair of matching quotes
// without them: "a b" and 'a b' read as a b.
std::string WithoutEnclosingQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

std::optional<std::string> ReadValue(std::string_view section, std::string_view key,
                                     std::string_view path) {
  std::optional<std::string> bytes = ReadNativeFile(ToNativePath(path));
  if (!bytes) return std::nullopt;
  std::optional<std::string> value = IniText(*bytes).Find(section, key);
  if (!value) return std::nullopt;
  return WithoutEnclosingQuotes(*value);
}

class PosixProfile : public Profile {
 public:
  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback,
                         std::size_t limit, std::string_view path) override {
    std::optional<std::string> value = ReadValue(section, key, path);
    std::string text = value ? std::move(*value) : std::string(fallback);
    if (text.size() > limit) text.resize(limit);
    return text;
  }

  std::int32_t ReadInt(std::string_view section, std::string_view key, std::int32_t fallback,
                       std::string_view path) override {
    std::optional<std::string> value = ReadValue(section, key, path);
    return value ? LeadingDecimal(*value) : fallback;
  }

  bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                   std::string_view path) override {
    std::string native = ToNativePath(path);
    bool missing = false;
    std::optional<std::string> bytes = ReadNativeFile(native, &missing);
    // A file that exists but cannot be read is left alone rather than replaced by one key.
    if (!bytes && !missing) return false;
    IniText text(bytes ? *bytes : std::string());
    text.Set(section, key, value);
    return ReplaceNativeFile(native, text.Serialize());
  }
};

}  // namespace

Profile& Profile::Native() {
  static PosixProfile profile;
  return profile;
}

}  // namespace radlyn::platform
