// UTF-8 to the workstation's OEM code page (CP850) as the Windows conversion does by default:
// characters of the code page as they are, many others as their nearest character ("best fit":
// the OE ligature as O, S and Z with caron as S and Z, dashes as '-', the ellipsis as '.',
// quotation marks as '"' or '\'', fullwidth forms as ASCII), all others, invalid sequences and
// unpaired surrogates as '?'. This is how Windows turns the program's texts into the OEM text of
// Morlund's image record.
#pragma once

#include <string>
#include <string_view>

namespace radlyn::platform {

std::string Utf8ToOemBestFit(std::string_view utf8);

}  // namespace radlyn::platform
