// Where the program's own files lie: the folder of the running program file (with a trailing
// separator) and the program settings file "Radlyn.ini" in it.
#pragma once

#include <string>

namespace radlyn {

std::string ProgramFolder();
std::string ProgramSettingsFilePath();

}  // namespace radlyn
