// Case-insensitive comparison of program texts (Windows-1252), as the workstation compares file,
// section and key names: ASCII letters and the accented letters of the code page fold to lower
// case; every other byte compares as itself.
#pragma once

#include <string_view>

namespace radlyn::platform {

// The lower-case form of one Windows-1252 character.
unsigned char FoldCase1252(unsigned char c);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace radlyn::platform
