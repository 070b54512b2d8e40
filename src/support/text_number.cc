#include "support/text_number.h"

#include <cctype>
#include <cstddef>
#include <limits>

namespace radlyn {
namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

std::int32_t ParseLeadingInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kLimit) value = kLimit;
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return value >= kLimit ? std::numeric_limits<std::int32_t>::max()
                         : static_cast<std::int32_t>(value);
}

std::int32_t ParseLeadingHex(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) i += 2;
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  std::int64_t value = 0;
  for (; i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])); ++i) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    value = value * 16 + (c <= '9' ? c - '0' : c - 'a' + 10);
    if (value > kMax) value = kMax;
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace radlyn
