// The _CheckVersion answer of every simulated module: nonzero (1) accepts. A module accepts
// exactly the interface version it implements (MoFileDB 0x201, MoModCh 0x102, MoGrfMan 0x107,
// MoUtil 0x109, MoFileIO 0x105) unless its section of hostsim.ini says RejectVersion=1. The
// call is logged.
#pragma once

#include <cstdint>

namespace hostsim {

std::uint32_t AnswerCheckVersion(const char* function, const char* section,
                                 std::uint32_t implemented, std::uint32_t version,
                                 std::uint32_t reserved);

}  // namespace hostsim
