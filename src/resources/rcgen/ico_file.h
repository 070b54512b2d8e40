// The bytes of a Windows icon file (.ico) holding one image per size.
//
// Each image is stored as a 32-bit device-independent bitmap with its alpha channel (rows bottom
// to top, blue green red alpha) followed by the 1-bit mask that older consumers use (set where
// the pixel is fully transparent). Sizes from 1 to 256 pixels.
#pragma once

#include <span>
#include <string>

#include "resources/rcgen/icon_rasterizer.h"

namespace radlyn::rcgen {

std::string EncodeIcoFile(std::span<const RgbaImage> images);

}  // namespace radlyn::rcgen
