#include "platform/posix/wildcard.h"

#include <algorithm>
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
  if (pattern == "*.*") return true;
  // Greedy matching that remembers the last `*` and retries from there: linear in practice,
  // never exponential.
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

}  // namespace radlyn::platform
