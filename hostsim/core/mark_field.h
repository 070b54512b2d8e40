// The 51-byte image mark inside the take record (offset 62), as hostsim's MoUtil keeps it:
//   offset  0, 11 bytes: logo text (product name), at most 10 bytes and a terminator
//   offset 11, 16 bytes: version text, at most 15 bytes and a terminator
//   offset 27,  2 bytes: mark format, little-endian 16-bit; 1 once UTL_InitMark has run
//   offset 29, 22 bytes: zero
// An empty logo means the image is not marked yet.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "hostlink/modules/record_layout.h"

namespace hostsim::mark {

inline constexpr std::size_t kSize = 51;
inline constexpr radlyn::records::Field kLogo{0, 11};
inline constexpr radlyn::records::Field kVersion{11, 16};
inline constexpr radlyn::records::Field kFormat{27, 2};
inline constexpr std::uint16_t kFormatNumber = 1;

void Init(std::uint8_t* mark);
void SetLogo(std::uint8_t* mark, std::string_view logo);
void SetVersion(std::uint8_t* mark, std::string_view version);
std::string Logo(const std::uint8_t* mark);
std::string Version(const std::uint8_t* mark);
// "LOGO VERSION", "LOGO", or empty for an unmarked field: the text the host mark shows.
std::string Shown(const std::uint8_t* mark);

}  // namespace hostsim::mark
