#include "platform/posix/wildcard.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/posix/text_case.h"
#include "platform/posix/text_encoding.h"

namespace radlyn::platform {
namespace {

bool SameCharacter(char a, char b) {
  return FoldCase1252(static_cast<unsigned char>(a)) == FoldCase1252(static_cast<unsigned char>(b));
}

// The upper-case form of a UTF-16 code unit, for the letters of Windows-1252.
char16_t UpperCaseUnit(char16_t unit) {
  if (unit >= u'a' && unit <= u'z') return static_cast<char16_t>(unit - 0x20);
  // a-grave to thorn, except the division sign.
  if (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7) return static_cast<char16_t>(unit - 0x20);
  switch (unit) {
    case 0xFF:  // y-diaeresis
      return 0x178;
    case 0x153:  // oe
      return 0x152;
    case 0x161:  // s-caron
      return 0x160;
    case 0x17E:  // z-caron
      return 0x17D;
    default:
      return unit;
  }
}

// The name's UTF-16 code units, upper-cased: what the file system compares.
std::u16string FolderOrderKey(const std::string& native_name) {
  const std::string bytes = ConvertText(native_name, TextEncoding::kUtf8, TextEncoding::kUtf16Le);
  std::u16string key;
  key.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            static_cast<unsigned char>(bytes[i + 1]) << 8);
    key.push_back(UpperCaseUnit(unit));
  }
  return key;
}

// `*` any run, `?` one character, letters without regard to case. Greedy matching that remembers
// the last `*` and retries from there: linear in practice, never exponential.
bool MatchText(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0;
  std::size_t star = std::string_view::npos, star_name = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_name = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || SameCharacter(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++star_name;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// Characters an 8.3 name holds as they are (letters of either case count: the volume compares
// without regard to case).
bool IsShortNameCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte <= 0x20 || byte >= 0x7F) return false;
  return std::string_view("\"*+,./:;<=>?[\\]|").find(c) == std::string_view::npos;
}

// A base of one to eight and an extension of up to three such characters: no short name of its
// own.
bool IsValidShortName(std::string_view name) {
  const std::size_t dot = name.find('.');
  const std::string_view base = name.substr(0, dot);
  const std::string_view extension =
      dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || extension.size() > 3) return false;
  if (dot != std::string_view::npos && extension.empty()) return false;
  return std::all_of(base.begin(), base.end(), IsShortNameCharacter) &&
         std::all_of(extension.begin(), extension.end(), IsShortNameCharacter);
}

// Up to `limit` characters of a part of a long name as its short name holds them.
std::string ShortNamePart(std::string_view part, std::size_t limit) {
  std::string kept;
  for (char c : part) {
    if (kept.size() == limit) break;
    if (c == ' ' || c == '.') continue;
    kept.push_back(IsShortNameCharacter(c) ? c : '_');
  }
  return kept;
}

// The short name the volume gives first to a long name, or std::nullopt for a valid 8.3 name.
std::optional<std::string> FirstShortName(std::string_view name) {
  if (IsValidShortName(name)) return std::nullopt;
  const std::size_t first = name.find_first_not_of('.');
  if (first == std::string_view::npos) return std::nullopt;
  std::string_view base = name;
  std::string_view extension;
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string_view::npos && dot > first) {  // a leading dot starts no extension
    base = name.substr(0, dot);
    extension = name.substr(dot + 1);
  }
  std::string short_name = ShortNamePart(base, 6) + "~1";
  const std::string short_extension = ShortNamePart(extension, 3);
  if (!short_extension.empty()) short_name += "." + short_extension;
  return short_name;
}

}  // namespace

void SortInFolderOrder(std::vector<std::string>& native_names) {
  std::vector<std::pair<std::u16string, std::string>> keyed;
  keyed.reserve(native_names.size());
  for (std::string& name : native_names) {
    std::u16string key = FolderOrderKey(name);
    keyed.emplace_back(std::move(key), std::move(name));
  }
  std::sort(keyed.begin(), keyed.end());
  native_names.clear();
  for (auto& entry : keyed) native_names.push_back(std::move(entry.second));
}

bool HasWildcard(std::string_view pattern) {
  return pattern.find_first_of("*?") != std::string_view::npos;
}

bool MatchWildcard(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*" || MatchText(pattern, name)) return true;
  const std::optional<std::string> short_name = FirstShortName(name);
  return short_name.has_value() && MatchText(pattern, *short_name);
}

}  // namespace radlyn::platform
