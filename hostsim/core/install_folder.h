// The folder of the installation a piece of hostsim code runs in: the folder of the shared
// library (or program) that contains the calling code, found through the dynamic loader. Every
// module copy in an installation therefore reads that installation's hostsim.ini and writes its
// hostsim-calls.log, wherever the caller loaded it from.
#pragma once

#include <string>

namespace hostsim {

// The folder that holds the file containing `code_address` (a function of the caller's own
// library), with a trailing '/'; empty when the loader cannot say.
std::string FolderOfCode(const void* code_address);

// The folder that holds this copy of hostsim's core code, with a trailing '/'. Since the core is
// linked statically into each module and program, this is the caller's own folder.
std::string InstallFolder();

}  // namespace hostsim
