// ParseVersion: the numbers of a dotted version text ("2.3.0.15"). Every requested number starts
// at 0; each dot-separated part gives the leading integer of its text (blanks skipped, optional
// sign, digits up to the first non-digit, 0 when none; out-of-range values saturate). Missing
// parts stay 0. `build` and `revision` may be null when not wanted.
#pragma once

#include <cstdint>
#include <string_view>

namespace radlyn {

void ParseVersion(std::string_view text, std::int32_t& major, std::int32_t& minor,
                  std::int32_t* build = nullptr, std::int32_t* revision = nullptr);

}  // namespace radlyn
