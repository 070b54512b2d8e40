// What the simulated Orbel program does to an image file: it sharpens the image and stamps a
// visible "ORBEL" watermark into its top-left corner, in place. Only the pixel data changes;
// every tag of the file, Morlund's private record tags included, stays byte for byte as it was.
// Accepted: uncompressed grey TIFF files with one sample of 8 or 16 bits per pixel.
#pragma once

#include <string>

namespace hostsim {

// True when the file was processed; otherwise false with the reason, and the file is unchanged.
bool ProcessOrbelImage(const std::string& path, std::string* reason);

}  // namespace hostsim
