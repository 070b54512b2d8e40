// What one of Morlund's image files holds: the image, and for TIFF files written by hostsim also
// the whole 740-byte HostImageRecord (OEM text, as written) and the take's extension block.
#pragma once

#include <cstdint>
#include <vector>

#include "core/image.h"

namespace hostsim {

struct StoredImage {
  Image image;
  std::vector<std::uint8_t> record;  // empty, or the 740 record bytes
  bool has_extension = false;
  std::vector<std::uint8_t> extension;  // the extension block's bytes, when has_extension
};

// File statuses as Morlund's file module answers them (0 is success).
enum FileStatus : std::uint16_t {
  kFileOk = 0,
  kFileReadError = 1,    // the file's content cannot be read
  kFileWriteError = 2,   // writing the image data failed
  kFileCreateError = 3,  // the file cannot be created
  kFileOpenError = 4,    // the file cannot be opened
  kFileNoMemory = 6,     // memory blocks cannot be had
  kFileUnsupported = 7,  // a kind of image file the module does not read
  kFileBadRecord = 9,    // no record, or a record without a usable image
  kFileBadName = 10,     // a file name without .tif, .tiff or .bmp
};

}  // namespace hostsim
