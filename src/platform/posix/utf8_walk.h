// Reading UTF-8 one character at a time, and the walk over UTF-8 text that the best-fit
// conversions to an 8-bit code page share.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace radlyn::platform {

// The length of the sequence a byte leads: 1 to 4, 0 for a byte that cannot lead one.
constexpr std::size_t Utf8SequenceLength(unsigned char lead) {
  return lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
}

// The character of a whole sequence of `length` bytes (its lead's length) at the start of `bytes`.
inline char32_t DecodeUtf8Sequence(std::string_view bytes, std::size_t length) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  char32_t c = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    c = (c << 6) | (static_cast<unsigned char>(bytes[k]) & 0x3F);
  }
  return c;
}

// The walk: each character of the Basic Multilingual Plane is handed to a function that answers
// its byte; an invalid sequence (a stray continuation byte, a sequence cut short, with the
// continuation bytes after it), a character beyond the plane and a surrogate become one '?'
// each, as the Windows conversion through UTF-16 gives them.
template <typename ToByte>
std::string MapUtf8Characters(std::string_view utf8, ToByte to_byte) {
  std::string mapped;
  mapped.reserve(utf8.size());
  const auto is_continuation = [&utf8](std::size_t at) {
    return (static_cast<unsigned char>(utf8[at]) & 0xC0) == 0x80;
  };
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(utf8[i]));
    std::size_t taken = 1;
    while (taken < length && i + taken < utf8.size() && is_continuation(i + taken)) ++taken;
    if (length == 0 || taken < length) {
      while (i + taken < utf8.size() && is_continuation(i + taken)) ++taken;
      mapped.push_back('?');
      i += taken;
      continue;
    }
    const char32_t c = DecodeUtf8Sequence(utf8.substr(i), length);
    mapped.push_back(c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF) ? '?' : to_byte(c));
    i += length;
  }
  return mapped;
}

}  // namespace radlyn::platform
