// Linux: the careless returns of misbehaviour.h are Windows' (the arguments travel in registers,
// and the system's ABI leaves no exception filter to replace).
#include "core/misbehaviour.h"

namespace hostsim {

void WritePastParameters(std::uint32_t*, int) {}

void LeaveCallStateChanged(const CarelessReturn&) {}

void InstallOwnFilterWhenSwitched(const Switches&, std::string_view) {}

}  // namespace hostsim
