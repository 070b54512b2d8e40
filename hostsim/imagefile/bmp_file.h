// BMP files as hostsim's MoFileIO writes them: an uncompressed 8-bit bottom-up bitmap with a
// 256-entry grey colour table and rows padded to four bytes, as every viewer reads it. A 16-bit
// image is written as its 8-bit display (the high byte of each sample's lookup-table entry);
// BMP files keep no record and no extension. Reading accepts uncompressed 8-bit bitmaps with a
// colour table (converted to their grey levels) and 24-bit ones (the mean of the three colours).
#pragma once

#include <string>

#include "stored_image.h"

namespace hostsim {

FileStatus WriteBmp(const std::string& path, const StoredImage& stored, std::string* reason);
FileStatus ReadBmp(const std::string& path, StoredImage* stored, std::string* reason);

}  // namespace hostsim
