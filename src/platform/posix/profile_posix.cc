// The INI profile service over files: each call reads the whole file into an IniText; a write
// applies its one change and replaces the file atomically. Paths pass the file system's gate
// (CheckedNativePath): a path Windows refuses reads as a missing file and is never written.
#include <utility>

#include "platform/paths.h"
#include "platform/posix/file_replace.h"
#include "platform/posix/ini_text.h"
#include "platform/posix/native_path.h"
#include "platform/profile.h"

namespace radlyn::platform {
namespace {

// The number at the start of a value, read as the workstation reads it: at most the first 29
// characters count; blanks and control characters are skipped, then an optional sign, then
// "0x", "0o" or "0b" select base 16, 8 or 2 (otherwise 10), then digits up to the first other
// character (0 without any). The result wraps around in 32 bits.
std::int32_t LeadingNumber(std::string_view text) {
  constexpr std::size_t kCountedCharacters = 29;
  text = text.substr(0, kCountedCharacters);
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  std::uint32_t base = 10;
  if (i + 1 < text.size() && text[i] == '0') {
    static constexpr std::pair<char, std::uint32_t> kPrefixes[] = {{'x', 16}, {'o', 8}, {'b', 2}};
    for (auto [letter, prefix_base] : kPrefixes) {
      if (text[i + 1] == letter) {
        base = prefix_base;
        i += 2;
        break;
      }
    }
  }
  std::uint32_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    std::uint32_t digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'z' ? c - 'a' + 10
                          : c >= 'A' && c <= 'Z' ? c - 'A' + 10
                                                 : base;
    if (digit >= base) break;
    value = value * base + digit;
  }
  return static_cast<std::int32_t>(negative ? 0u - value : value);
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

// A fallback is handed out as the workstation does: trailing spaces dropped, then enclosing
// quotes.
std::string AsFallback(std::string_view fallback) {
  while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
  return WithoutEnclosingQuotes(fallback);
}

std::optional<std::string> ReadValue(std::string_view section, std::string_view key,
                                     std::string_view path) {
  std::optional<std::string> native = CheckedNativePath(path);
  if (!native) return std::nullopt;
  std::optional<std::string> bytes = ReadNativeFile(*native);
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
    std::string text = value ? std::move(*value) : AsFallback(fallback);
    if (text.size() > limit) text.resize(limit);
    return text;
  }

  std::int32_t ReadInt(std::string_view section, std::string_view key, std::int32_t fallback,
                       std::string_view path) override {
    std::optional<std::string> value = ReadValue(section, key, path);
    return value && !value->empty() ? LeadingNumber(*value) : fallback;
  }

  bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                   std::string_view path) override {
    std::optional<std::string> checked = CheckedNativePath(path);
    if (!checked) return false;
    const std::string& native = *checked;
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
