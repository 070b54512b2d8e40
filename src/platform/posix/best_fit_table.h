// The nearest-character ("best fit") tables of the conversions to an 8-bit code page
// (ansi_best_fit.h, oem_best_fit.h): a character the page lacks, by code point, with the byte of
// its nearest character in the page, as the Windows conversion answers it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>

namespace radlyn::platform {

struct BestFit {
  char16_t code_point;
  std::uint8_t byte;
};

// Tables are sorted by code point, so that a lookup can halve its way through them.
template <std::size_t N>
constexpr bool IsSortedByCodePoint(const BestFit (&table)[N]) {
  return std::is_sorted(std::begin(table), std::end(table), [](const BestFit& a, const BestFit& b) {
    return a.code_point < b.code_point;
  });
}

// The byte for a character outside the page's own: the fullwidth forms U+FF01 to U+FF5E as the
// ASCII characters they widen, else the table's entry, else '?'.
template <std::size_t N>
char BestFitByte(const BestFit (&table)[N], char32_t c) {
  constexpr char32_t kFullwidthFirst = 0xFF01;
  constexpr char32_t kFullwidthLast = 0xFF5E;
  if (c >= kFullwidthFirst && c <= kFullwidthLast) return static_cast<char>(c - 0xFEE0);
  const BestFit* fit =
      std::lower_bound(std::begin(table), std::end(table), c,
                       [](const BestFit& entry, char32_t key) { return entry.code_point < key; });
  if (fit != std::end(table) && fit->code_point == c) return static_cast<char>(fit->byte);
  return '?';
}

}  // namespace radlyn::platform
