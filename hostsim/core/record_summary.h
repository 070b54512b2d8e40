// How the calls log shows Morlund's records: the handle (or nothing for a record passed by
// address) followed by its key fields in braces, e.g.
//   0x00010002{last="Miller" first="Anna" birth=1970-03-05 id="4711" doctor="Smith"}
// A handle that cannot be locked, or a block smaller than its record, shows as {invalid}.
#pragma once

#include <cstdint>
#include <string>

#include "platform/global_memory.h"

namespace hostsim {

// HostPatientRecord by handle: names, birth date, patient ID, doctor.
std::string PatientSummary(GmHandle patient);
// TakeRecord by handle: lead text, take type, image and extension handles.
std::string TakeSummary(GmHandle take);
// HostImageRecord by address: name field, ID, doctor, take type, date, handles.
std::string ImageRecordSummary(const std::uint8_t* record);

}  // namespace hostsim
