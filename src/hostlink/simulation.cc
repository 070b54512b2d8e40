// Simulation mode: a stored image stands in for the exposure. Only reached with Orbel active.
#include "hostlink/morlund_link.h"

namespace radlyn {

std::uint16_t CMorlundLink::LoadSimulationImage(GmHandle /*take_block*/,
                                                const std::string& /*orbel_data_folder*/) {
  SetError(5, "Acquire(): Couldn't read simulation image file");
  return 1220;
}

}  // namespace radlyn
