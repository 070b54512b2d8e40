// Letter case of program texts.
//
// LowerAnsiText lowers text in the configured ANSI code page (text_encoding.h) as Windows does:
// character by character through Unicode's lower-case mapping, the two bytes of a double-byte
// character taken together; a character whose lower-case form the page lacks, and a byte that
// is no character of the page, stay as they are.
//
// Case-insensitive comparison (Windows-1252), as the workstation compares file, section and key
// names: ASCII letters and the accented letters of the code page fold to lower case; every other
// byte compares as itself.
#pragma once

#include <string>
#include <string_view>

namespace radlyn::platform {

std::string LowerAnsiText(std::string_view ansi);

// The lower-case form of one Windows-1252 character.
unsigned char FoldCase1252(unsigned char c);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace radlyn::platform
