// The five modules of Morlund as radlyn holds them: per module its library handle followed by
// its function entries, in load order. A null library handle means "not loaded".
#pragma once

#include "hostlink/modules/module_exports.h"
#include "platform/dynamic_library.h"

namespace radlyn {

struct ModuleTable {
  platform::LibraryHandle mofiledb = 0;
  FDB_Open_t FDB_Open = nullptr;
  FDB_Close_t FDB_Close = nullptr;
  FDB_CheckVersion_t FDB_CheckVersion = nullptr;

  platform::LibraryHandle momodch = 0;
  MC_TakeImage_t MC_TakeImage = nullptr;
  MC_CheckVersion_t MC_CheckVersion = nullptr;

  platform::LibraryHandle moutil = 0;
  UTL_InitMark_t UTL_InitMark = nullptr;
  UTL_GetLogo_t UTL_GetLogo = nullptr;
  UTL_SetLogo_t UTL_SetLogo = nullptr;
  UTL_SetVersion_t UTL_SetVersion = nullptr;
  UTL_CheckVersion_t UTL_CheckVersion = nullptr;
  IsDate_t IsDate = nullptr;
  UTL_GetPrivateProfileIntTakeType_t UTL_GetPrivateProfileIntTakeType = nullptr;
  UTL_GetPrivateProfileStringTakeType_t UTL_GetPrivateProfileStringTakeType = nullptr;

  platform::LibraryHandle mogrfman = 0;
  MGM_LRMarker_t MGM_LRMarker = nullptr;
  MGM_SetMark_t MGM_SetMark = nullptr;
  MGM_CheckVersion_t MGM_CheckVersion = nullptr;
  MGM_FilterEx_t MGM_FilterEx = nullptr;

  platform::LibraryHandle mofileio = 0;
  FIO_CreateImageFile_t FIO_CreateImageFile = nullptr;
  FIO_CheckVersion_t FIO_CheckVersion = nullptr;
  FIO_ImportImageFile_t FIO_ImportImageFile = nullptr;
};

}  // namespace radlyn
