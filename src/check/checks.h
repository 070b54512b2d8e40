// The items of the support check, each added to the report with its verdict: Radlyn's program
// file, the system, Morlund's registration and folder, its five modules and its version, the XML
// parsers, the newer generation's servers, and the folders Radlyn writes to.
#pragma once

#include <string>

#include "check/check_report.h"

namespace radlyn::check {

// data_folder: the folder a client passes as datapath, or empty text when none was given.
void RunChecks(Report& report, const std::string& data_folder);

}  // namespace radlyn::check
