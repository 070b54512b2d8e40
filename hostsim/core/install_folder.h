// The folder of the installation a piece of hostsim code runs in: the folder of the shared
// library (or program) that contains the calling code, found through the dynamic loader. Every
// module copy in an installation therefore reads that installation's hostsim.ini and writes its
// hostsim-calls.log, wherever the caller loaded it from. One implementation per operating system
// (install_folder_posix.cc, install_folder_win32.cc).
#pragma once

#include <string>

namespace hostsim {

// The folder that holds the file containing `code_address` (a function of the caller's own
// library), with a trailing separator ('/', a backslash on Windows); empty when the loader cannot
// say.
std::string FolderOfCode(const void* code_address);

// The folder that holds this copy of hostsim's core code, with a trailing separator. Since the core
// is linked statically into each module and program, this is the caller's own folder.
std::string InstallFolder();

}  // namespace hostsim
