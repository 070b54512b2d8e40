// Orbel processing. Until the plug-in server link exists, no Orbel program is found.
#include "hostlink/morlund_link.h"

namespace radlyn {

CMorlundLink::OrbelChoice CMorlundLink::FindOrbelProgram(const std::string& /*take_type*/) {
  return {};
}

bool CMorlundLink::ProcessWithOrbel(std::string& program_path, std::uint8_t* /*take_record*/,
                                    GmHandle /*patient_block*/) {
  program_path.clear();
  return false;
}

}  // namespace radlyn
