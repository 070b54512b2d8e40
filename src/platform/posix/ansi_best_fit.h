// UTF-8 to the workstation's ANSI code page (Windows-1252) as the Windows text conversion does
// by default: characters of the code page as they are, many others as their nearest character
// ("best fit": L with stroke as L, r with caron as r, fullwidth forms as ASCII, box drawings as
// + - |), all others, invalid sequences and unpaired surrogates as '?'. This is how the profile
// service of the workstation hands out Unicode INI texts. With another ANSI code page configured
// (text_encoding.h), whose best-fit table this does not hold, only the page's own characters are
// kept and all others become '?'.
#pragma once

#include <string>
#include <string_view>

namespace radlyn::platform {

std::string Utf8ToAnsiBestFit(std::string_view utf8);

}  // namespace radlyn::platform
