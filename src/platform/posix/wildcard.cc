#include "platform/posix/wildcard.h"

#include "platform/posix/text_case.h"

namespace radlyn::platform {
namespace {

bool SameCharacter(char a, char b) {
  return FoldCase1252(static_cast<unsigned char>(a)) == FoldCase1252(static_cast<unsigned char>(b));
}

}  // namespace

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
