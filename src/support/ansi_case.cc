#include "support/ansi_case.h"

#include <array>
#include <cstdint>

namespace radlyn {
namespace {

constexpr std::array<std::uint8_t, 256> MakeLowerTable() {
  std::array<std::uint8_t, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = static_cast<std::uint8_t>(c);
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = static_cast<std::uint8_t>(c + 0x20);
  for (int c = 0xC0; c <= 0xDE; ++c) {
    if (c != 0xD7) table[c] = static_cast<std::uint8_t>(c + 0x20);
  }
  table[0x8A] = 0x9A;  // S with caron
  table[0x8C] = 0x9C;  // OE ligature
  table[0x8E] = 0x9E;  // Z with caron
  table[0x9F] = 0xFF;  // Y with diaeresis
  return table;
}

constexpr std::array<std::uint8_t, 256> kLowerTable = MakeLowerTable();

}  // namespace

char ToLowerAnsi(char c) { return static_cast<char>(kLowerTable[static_cast<std::uint8_t>(c)]); }

std::string ToLowerAnsi(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) c = ToLowerAnsi(c);
  return lowered;
}

}  // namespace radlyn
