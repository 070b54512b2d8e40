// The five modules of Morlund as radlyn holds them: per module its library handle followed by
// its function entries, in load order. A null library handle means "not loaded". Each module's
// entries share its ModuleCalls, where their calls record the module's calling convention; the
// table therefore stays where it was made (no copies).
#pragma once

#include "hostlink/module_function.h"
#include "hostlink/modules/module_exports.h"
#include "platform/dynamic_library.h"

namespace radlyn {

struct ModuleTable {
  ModuleTable() = default;
  ModuleTable(const ModuleTable&) = delete;
  ModuleTable& operator=(const ModuleTable&) = delete;

  platform::LibraryHandle mofiledb = 0;
  ModuleFunction<FDB_Open_f> FDB_Open;
  ModuleFunction<FDB_Close_f> FDB_Close;
  ModuleFunction<FDB_CheckVersion_f> FDB_CheckVersion;

  platform::LibraryHandle momodch = 0;
  ModuleFunction<MC_TakeImage_f> MC_TakeImage;
  ModuleFunction<MC_CheckVersion_f> MC_CheckVersion;

  platform::LibraryHandle moutil = 0;
  ModuleFunction<UTL_InitMark_f> UTL_InitMark;
  ModuleFunction<UTL_GetLogo_f> UTL_GetLogo;
  ModuleFunction<UTL_SetLogo_f> UTL_SetLogo;
  ModuleFunction<UTL_SetVersion_f> UTL_SetVersion;
  ModuleFunction<UTL_CheckVersion_f> UTL_CheckVersion;
  ModuleFunction<IsDate_f> IsDate;
  ModuleFunction<UTL_GetPrivateProfileIntTakeType_f> UTL_GetPrivateProfileIntTakeType;
  ModuleFunction<UTL_GetPrivateProfileStringTakeType_f> UTL_GetPrivateProfileStringTakeType;

  platform::LibraryHandle mogrfman = 0;
  ModuleFunction<MGM_LRMarker_f> MGM_LRMarker;
  ModuleFunction<MGM_SetMark_f> MGM_SetMark;
  ModuleFunction<MGM_CheckVersion_f> MGM_CheckVersion;
  ModuleFunction<MGM_FilterEx_f> MGM_FilterEx;

  platform::LibraryHandle mofileio = 0;
  ModuleFunction<FIO_CreateImageFile_f> FIO_CreateImageFile;
  ModuleFunction<FIO_CheckVersion_f> FIO_CheckVersion;
  ModuleFunction<FIO_ImportImageFile_f> FIO_ImportImageFile;

  ModuleCalls mofiledb_calls{"mofiledb"};
  ModuleCalls momodch_calls{"momodch"};
  ModuleCalls moutil_calls{"moutil"};
  ModuleCalls mogrfman_calls{"mogrfman"};
  ModuleCalls mofileio_calls{"mofileio"};
};

}  // namespace radlyn
