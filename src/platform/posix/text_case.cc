#include "platform/posix/text_case.h"

namespace radlyn::platform {
namespace {

struct CasePair {
  unsigned char upper;
  unsigned char lower;
};

// Upper-case letters of Windows-1252 outside the two contiguous ranges.
constexpr CasePair kScatteredPairs[] = {{0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}};

}  // namespace

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
