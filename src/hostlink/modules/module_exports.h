// The functions of Morlund's five modules that radlyn calls, with their exact shapes. This is the
// binary interface shared with the modules (and with hostsim's stand-ins for them): exported
// with C linkage under these names, 32-bit handles of movable global-memory blocks, 8-bit
// zero-terminated texts. Status results are 32-bit registers of which callers use the low 16
// bits; 0 is success, except for the _CheckVersion functions, where a nonzero low word accepts.
#pragma once

#include <cstdint>

#include "platform/global_memory.h"

// The calling convention of every module function. Morlund's modules are 32-bit Windows
// libraries; the build chooses the convention once for radlyn and hostsim alike
// (RADLYN_MORLUND_CALL in CMake: stdcall, the default, or cdecl). Linux has only one.
#if defined(_WIN32) && defined(RADLYN_MORLUND_CDECL)
#define MORLUND_CALL __cdecl
#elif defined(_WIN32)
#define MORLUND_CALL __stdcall
#else
#define MORLUND_CALL
#endif

using MorlundStatus = std::uint32_t;
using MorlundWindow = std::uint32_t;

extern "C" {
// MoFileDB: configuration database.
typedef MorlundStatus(MORLUND_CALL* FDB_Open_t)();
typedef void(MORLUND_CALL* FDB_Close_t)();
typedef MorlundStatus(MORLUND_CALL* FDB_CheckVersion_t)(std::uint32_t version,
                                                        std::uint32_t reserved);

// MoModCh: acquisition.
typedef MorlundStatus(MORLUND_CALL* MC_TakeImage_t)(std::uint32_t zero, GmHandle patient_record,
                                                    GmHandle take_record, std::uint32_t three,
                                                    MorlundWindow owner, std::uint32_t one,
                                                    std::uint32_t zero2);
typedef MorlundStatus(MORLUND_CALL* MC_CheckVersion_t)(std::uint32_t version,
                                                       std::uint32_t reserved);

// MoGrfMan: graphics.
typedef void(MORLUND_CALL* MGM_LRMarker_t)(GmHandle take_record);
typedef void(MORLUND_CALL* MGM_SetMark_t)(GmHandle take_record);
typedef MorlundStatus(MORLUND_CALL* MGM_CheckVersion_t)(std::uint32_t version,
                                                        std::uint32_t reserved);
typedef MorlundStatus(MORLUND_CALL* MGM_FilterEx_t)(std::uint32_t filter, std::uint32_t one,
                                                    std::uint32_t zero, GmHandle take_record,
                                                    void* zeroed_16_bytes, void* parameters);

// MoUtil: marks and per-take-type settings.
typedef void(MORLUND_CALL* UTL_InitMark_t)(char* mark);
typedef void(MORLUND_CALL* UTL_GetLogo_t)(const char* mark, char* buffer, std::uint32_t size);
typedef void(MORLUND_CALL* UTL_SetLogo_t)(char* mark, const char* product);
typedef void(MORLUND_CALL* UTL_SetVersion_t)(char* mark, const char* version);
typedef MorlundStatus(MORLUND_CALL* UTL_CheckVersion_t)(std::uint32_t version,
                                                        std::uint32_t reserved);
typedef std::int32_t(MORLUND_CALL* IsDate_t)(const char* text);
typedef std::int32_t(MORLUND_CALL* UTL_GetPrivateProfileIntTakeType_t)(const char* section,
                                                                       const char* key,
                                                                       const char* take_type,
                                                                       std::int32_t fallback,
                                                                       const char* file);
typedef std::uint32_t(MORLUND_CALL* UTL_GetPrivateProfileStringTakeType_t)(
    const char* section, const char* key, const char* take_type, const char* fallback, char* buffer,
    std::uint32_t size, const char* file);

// MoFileIO: image files in Morlund's record format.
typedef MorlundStatus(MORLUND_CALL* FIO_CreateImageFile_t)(const char* file, std::uint8_t* record,
                                                           std::uint32_t mask, std::uint32_t one,
                                                           std::uint32_t zero, std::uint32_t zero2);
typedef MorlundStatus(MORLUND_CALL* FIO_CheckVersion_t)(std::uint32_t version,
                                                        std::uint32_t reserved);
typedef MorlundStatus(MORLUND_CALL* FIO_ImportImageFile_t)(const char* file, std::uint8_t* record,
                                                           std::uint32_t mask);
}

// The low 16 bits of a status, as every caller reads it.
inline constexpr std::uint16_t StatusWord(MorlundStatus status) {
  return static_cast<std::uint16_t>(status & 0xFFFFu);
}
