// Lower-casing of 8-bit text in the workstation's ANSI code page (Windows-1252): ASCII letters,
// the accented capitals 0xC0-0xDE (not the multiplication sign 0xD7), and the four capitals of
// the 0x80 row (S and Z with caron, the OE ligature, Y with diaeresis). Every other byte stays.
#pragma once

#include <string>
#include <string_view>

namespace radlyn {

char ToLowerAnsi(char c);
std::string ToLowerAnsi(std::string_view text);

}  // namespace radlyn
