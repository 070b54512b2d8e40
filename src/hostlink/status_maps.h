// Status maps: a Morlund module's status, read as its low 16 bits unsigned, turned into an error
// number of the result file's table. Each map is a fixed table; a status it does not list gets
// the map's fallback number (named below).
#pragma once

#include <cstdint>

#include "hostlink/modules/module_exports.h"

namespace radlyn {

// MC_TakeImage and the simulation's import. Unlisted: 26 "Unspecified module error".
std::uint32_t MapTakeImageStatus(MorlundStatus status);

// FDB_Open. Unlisted: 25 "Unspecified database access error".
std::uint32_t MapFdbOpenStatus(MorlundStatus status);

// FIO_CreateImageFile and FIO_ImportImageFile; 0 and 11 are success. Unlisted: 31 "File I/O
// problems".
std::uint32_t MapFileStatus(MorlundStatus status);

// MGM_FilterEx. Unlisted: 26 "Unspecified module error".
std::uint32_t MapFilterStatus(MorlundStatus status);

}  // namespace radlyn
