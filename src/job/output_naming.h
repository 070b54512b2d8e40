// The image file's name: the local date and time, taken once, to the second.
//
// The first candidate is folder + "YYYYMMDD_HHMMSS." + format; while a file (or a link, even one
// that leads nowhere) of that name exists, the next is folder + "YYYYMMDD_HHMMSS_<n>." + format
// with n = 1, 2, ... All candidates share the one time stamp. The folder ends with a separator
// (or is empty).
#pragma once

#include <string>
#include <string_view>

namespace radlyn {

std::string BuildImageFilePath(std::string_view folder, std::string_view file_format);

}  // namespace radlyn
