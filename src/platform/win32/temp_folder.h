// The user's temporary folder as an ANSI path that names it. GetTempPathA cannot name a folder
// whose name the ANSI code page lacks (a profile "Łukasz" on a Western code page): it answers a
// look-alike that does not exist. So the folder is read in UTF-16, and its ANSI form is taken
// only when it converts back to the same name; else the 8.3 short form of the folder, when that
// converts back exactly; else none (empty text).
#pragma once

#include <string>

namespace radlyn::platform::win32 {

std::string AnsiTempFolder();

}  // namespace radlyn::platform::win32
