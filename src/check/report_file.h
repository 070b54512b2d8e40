// The file a support report goes to: a new file made for this run alone, never an existing file
// or link of that name. Its name holds the date, time and computer name
// ("radlyn-check-20261210-141500-PC01.txt"); when that name is taken, "-2", "-3", ... are tried
// before ".txt". A name given by the caller is tried the same way.
#pragma once

#include <optional>
#include <string>

namespace radlyn::check {

// `wanted`: the caller's file, or empty for the default name in `folder` (ending with a
// separator). The answer is the created file's path, or std::nullopt when none could be made.
std::optional<std::string> CreateReportFile(const std::string& wanted, const std::string& folder,
                                            const std::string& stamp, const std::string& computer);

}  // namespace radlyn::check
