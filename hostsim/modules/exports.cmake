# The modules and their exports, in Morlund's load order: the functions of
# src/hostlink/modules/module_exports.h. The build makes each module export exactly these (the
# Windows tests check the built files against the same lists).
set(HOSTSIM_MODULES mofiledb momodch mogrfman moutil mofileio)
set(HOSTSIM_EXPORTS_mofiledb FDB_Open FDB_Close FDB_CheckVersion)
set(HOSTSIM_EXPORTS_momodch MC_TakeImage MC_CheckVersion)
set(HOSTSIM_EXPORTS_mogrfman MGM_LRMarker MGM_SetMark MGM_CheckVersion MGM_FilterEx)
set(HOSTSIM_EXPORTS_moutil UTL_InitMark UTL_GetLogo UTL_SetLogo UTL_SetVersion UTL_CheckVersion
    IsDate UTL_GetPrivateProfileIntTakeType UTL_GetPrivateProfileStringTakeType)
set(HOSTSIM_EXPORTS_mofileio FIO_CreateImageFile FIO_CheckVersion FIO_ImportImageFile)
