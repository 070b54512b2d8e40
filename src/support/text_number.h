// Reading the leading decimal integer of a text, the way the C library's atoi does it: leading
// blanks skipped, an optional sign, digits up to the first non-digit, 0 when there are none.
// Values beyond the 32-bit range saturate instead of overflowing.
#pragma once

#include <cstdint>
#include <string_view>

namespace radlyn {

std::int32_t ParseLeadingInt(std::string_view text);

// The same for hexadecimal digits after an optional "0x"/"0X"; values beyond 0x7FFFFFFF
// saturate at 0x7FFFFFFF.
std::int32_t ParseLeadingHex(std::string_view text);

}  // namespace radlyn
