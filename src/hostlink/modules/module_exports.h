// The functions of Morlund's five modules that radlyn calls, with their exact shapes. This is the
// binary interface shared with the modules (and with hostsim's stand-ins for them): exported
// with C linkage under these names, 32-bit handles of movable global-memory blocks, 8-bit
// zero-terminated texts. Status results are 32-bit registers of which callers use the low 16
// bits; 0 is success, except for the _CheckVersion functions, where a nonzero low word accepts.
#pragma once

#include <cstdint>

#include "platform/global_memory.h"

// The calling convention of the module functions is not part of this interface: Morlund's
// modules may be stdcall or cdecl libraries, and radlyn finds out at run time (module_call.h).
// MORLUND_CALL is the convention of the stand-ins built from these types (hostsim's modules, the
// tests' fakes): stdcall on 32-bit Windows unless HOSTSIM_MODULES_CDECL is defined.
#if defined(_WIN32) && defined(HOSTSIM_MODULES_CDECL)
#define MORLUND_CALL __cdecl
#elif defined(_WIN32)
#define MORLUND_CALL __stdcall
#else
#define MORLUND_CALL
#endif

// MORLUND_FUNCTION(name, result, parameters...) declares name_f, the plain function type that
// radlyn calls through the thunk, and name_t, a pointer to it in the stand-ins' convention.
#define MORLUND_FUNCTION(name, result, ...) \
  using name##_f = result(__VA_ARGS__);     \
  typedef result(MORLUND_CALL* name##_t)(__VA_ARGS__)

using MorlundStatus = std::uint32_t;
using MorlundWindow = std::uint32_t;

extern "C" {
// MoFileDB: configuration database.
MORLUND_FUNCTION(FDB_Open, MorlundStatus, void);
MORLUND_FUNCTION(FDB_Close, void, void);
MORLUND_FUNCTION(FDB_CheckVersion, MorlundStatus, std::uint32_t version, std::uint32_t reserved);

// MoModCh: acquisition.
MORLUND_FUNCTION(MC_TakeImage, MorlundStatus, std::uint32_t zero, GmHandle patient_record,
                 GmHandle take_record, std::uint32_t three, MorlundWindow owner, std::uint32_t one,
                 std::uint32_t zero2);
MORLUND_FUNCTION(MC_CheckVersion, MorlundStatus, std::uint32_t version, std::uint32_t reserved);

// MoGrfMan: graphics.
MORLUND_FUNCTION(MGM_LRMarker, void, GmHandle take_record);
MORLUND_FUNCTION(MGM_SetMark, void, GmHandle take_record);
MORLUND_FUNCTION(MGM_CheckVersion, MorlundStatus, std::uint32_t version, std::uint32_t reserved);
MORLUND_FUNCTION(MGM_FilterEx, MorlundStatus, std::uint32_t filter, std::uint32_t one,
                 std::uint32_t zero, GmHandle take_record, void* zeroed_16_bytes, void* parameters);

// MoUtil: marks and per-take-type settings.
MORLUND_FUNCTION(UTL_InitMark, void, char* mark);
MORLUND_FUNCTION(UTL_GetLogo, void, const char* mark, char* buffer, std::uint32_t size);
MORLUND_FUNCTION(UTL_SetLogo, void, char* mark, const char* product);
MORLUND_FUNCTION(UTL_SetVersion, void, char* mark, const char* version);
MORLUND_FUNCTION(UTL_CheckVersion, MorlundStatus, std::uint32_t version, std::uint32_t reserved);
MORLUND_FUNCTION(IsDate, std::int32_t, const char* text);
MORLUND_FUNCTION(UTL_GetPrivateProfileIntTakeType, std::int32_t, const char* section,
                 const char* key, const char* take_type, std::int32_t fallback, const char* file);
MORLUND_FUNCTION(UTL_GetPrivateProfileStringTakeType, std::uint32_t, const char* section,
                 const char* key, const char* take_type, const char* fallback, char* buffer,
                 std::uint32_t size, const char* file);

// MoFileIO: image files in Morlund's record format.
MORLUND_FUNCTION(FIO_CreateImageFile, MorlundStatus, const char* file, std::uint8_t* record,
                 std::uint32_t mask, std::uint32_t one, std::uint32_t zero, std::uint32_t zero2);
MORLUND_FUNCTION(FIO_CheckVersion, MorlundStatus, std::uint32_t version, std::uint32_t reserved);
MORLUND_FUNCTION(FIO_ImportImageFile, MorlundStatus, const char* file, std::uint8_t* record,
                 std::uint32_t mask);
}

// The low 16 bits of a status, as every caller reads it.
inline constexpr std::uint16_t StatusWord(MorlundStatus status) {
  return static_cast<std::uint16_t>(status & 0xFFFFu);
}
