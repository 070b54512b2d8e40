#include "platform/posix/text_case.h"

#include <locale.h>
#include <wctype.h>

#include "platform/posix/text_encoding.h"

namespace radlyn::platform {
namespace {

// Unicode's simple lower-case mapping, from the C library's locale-independent UTF-8 tables.
char32_t LowerCodePoint(char32_t c) {
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  if (unicode == locale_t{}) return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
  return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), unicode));
}

struct CasePair {
  unsigned char upper;
  unsigned char lower;
};

// Upper-case letters of Windows-1252 outside the two contiguous ranges.
constexpr CasePair kScatteredPairs[] = {{0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}};

}  // namespace

std::string LowerAnsiText(std::string_view ansi) {
  std::string lowered;
  lowered.reserve(ansi.size());
  for (std::size_t i = 0; i < ansi.size();) {
    const auto byte = static_cast<unsigned char>(ansi[i]);
    // No code page of Windows has lead bytes below 0x80, so ASCII stands for itself.
    if (byte < 0x80) {
      lowered.push_back(static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + 0x20 : byte));
      ++i;
      continue;
    }
    const AnsiCharacter character = DecodeAnsiCharacter(ansi.substr(i));
    if (character.length == 0) {
      lowered.push_back(ansi[i]);
      ++i;
      continue;
    }
    const std::string_view original = ansi.substr(i, character.length);
    const char32_t lower = LowerCodePoint(character.code_point);
    const std::string encoded = lower == character.code_point ? "" : EncodeAnsiCharacter(lower);
    lowered.append(encoded.size() == original.size() ? std::string_view(encoded) : original);
    i += character.length;
  }
  return lowered;
}

unsigned char FoldCase1252(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
  // A-grave to Thorn, except the multiplication sign.
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
  for (const CasePair& pair : kScatteredPairs) {
    if (pair.upper == c) return pair.lower;
  }
  return c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase1252(static_cast<unsigned char>(a[i])) !=
        FoldCase1252(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace radlyn::platform
