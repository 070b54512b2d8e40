// Fuzzes MatchTakeTypePattern: the first byte gives the text's length (0 to 7), the text follows,
// the rest is the pattern. Beyond not crashing or reading out of bounds: a pattern without
// wildcards matches exactly the text it equals, `*` alone matches every text, and a row of `?`
// matches exactly the texts of its length.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "hostlink/orbel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t length = std::min<std::size_t>(data[0] % 8, size - 1);
  const std::string text(reinterpret_cast<const char*>(data + 1), length);
  const std::string pattern(reinterpret_cast<const char*>(data + 1 + length), size - 1 - length);
  const bool matched = radlyn::MatchTakeTypePattern(text, pattern);

  // The walk treats a zero byte as the end, as the C texts it comes from end there.
  const std::string_view plain_text(text.c_str());
  const std::string_view plain_pattern(pattern.c_str());
  if (plain_pattern.find_first_of("*?") == std::string_view::npos &&
      matched != (plain_text == plain_pattern)) {
    std::abort();
  }
  if (!radlyn::MatchTakeTypePattern(text, "*")) std::abort();
  if (!plain_text.empty()) {
    const std::string ones(plain_text.size(), '?');
    if (!radlyn::MatchTakeTypePattern(plain_text, ones)) std::abort();
    if (radlyn::MatchTakeTypePattern(plain_text, ones + "?")) std::abort();
  }
  return 0;
}
