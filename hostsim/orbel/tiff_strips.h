// Where the pixels of an image file given to Orbel lie, so that it can rewrite them in place and
// leave every tag as it is. Read through libtiff on Linux (tiff_strips.cc) and through hostsim's
// own baseline codec on Windows (tiff_strips_win32.cc), where there is no libtiff.
#pragma once

#include <string>

#include "imagefile/baseline_tiff.h"

namespace hostsim {

// False with the reason ("not a TIFF file", or what else is wrong with it) when the file is no
// uncompressed single-sample 8- or 16-bit grey TIFF in strips.
bool ReadTiffStrips(const std::string& path, TiffStrips* strips, std::string* reason);

}  // namespace hostsim
