// Fixed names by which radlyn finds the Orbel plug-in of the newer Morlund generation.
#pragma once

namespace radlyn {

inline constexpr const char* kPluginServerProgId = "MORLUNDNG.PluginServer";
inline constexpr const char* kOptionsManagerProgId = "MORLUNDNG.OptionsManager";
inline constexpr const char* kOrbelPluginId = "{7E41C0D2-9A35-4F6B-8C17-3B52E9A06D84}";
inline constexpr const char* kPluginServerLoginName = "MorlundNG";
inline constexpr const char* kOrbelOptionGroup = "ORBEL";

}  // namespace radlyn
