// Marks a function as one of a module's exports: C linkage, visible from outside the library.
// Everything else in a module stays hidden (the build also restricts the exports to a list: a
// linker version script on Linux, a module-definition file on Windows, both from the same lists).
//
// Every export is declared here from the function types of module_exports.h before a module
// defines it, so a definition whose arguments or result differ from radlyn's view does not
// compile, and each definition takes the shared calling convention (MORLUND_CALL) from its
// declaration.
#pragma once

#include <type_traits>

#include "hostlink/modules/module_exports.h"

#ifdef _WIN32
#define HOSTSIM_EXPORT extern "C" MORLUND_CALL
#else
#define HOSTSIM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#define HOSTSIM_DECLARE_EXPORT(name) extern "C" std::remove_pointer_t<name##_t> name

HOSTSIM_DECLARE_EXPORT(FDB_Open);
HOSTSIM_DECLARE_EXPORT(FDB_Close);
HOSTSIM_DECLARE_EXPORT(FDB_CheckVersion);
HOSTSIM_DECLARE_EXPORT(MC_TakeImage);
HOSTSIM_DECLARE_EXPORT(MC_CheckVersion);
HOSTSIM_DECLARE_EXPORT(MGM_LRMarker);
HOSTSIM_DECLARE_EXPORT(MGM_SetMark);
HOSTSIM_DECLARE_EXPORT(MGM_CheckVersion);
HOSTSIM_DECLARE_EXPORT(MGM_FilterEx);
HOSTSIM_DECLARE_EXPORT(UTL_InitMark);
HOSTSIM_DECLARE_EXPORT(UTL_GetLogo);
HOSTSIM_DECLARE_EXPORT(UTL_SetLogo);
HOSTSIM_DECLARE_EXPORT(UTL_SetVersion);
HOSTSIM_DECLARE_EXPORT(UTL_CheckVersion);
HOSTSIM_DECLARE_EXPORT(IsDate);
HOSTSIM_DECLARE_EXPORT(UTL_GetPrivateProfileIntTakeType);
HOSTSIM_DECLARE_EXPORT(UTL_GetPrivateProfileStringTakeType);
HOSTSIM_DECLARE_EXPORT(FIO_CreateImageFile);
HOSTSIM_DECLARE_EXPORT(FIO_CheckVersion);
HOSTSIM_DECLARE_EXPORT(FIO_ImportImageFile);

#undef HOSTSIM_DECLARE_EXPORT
