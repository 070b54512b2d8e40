// TIFF files as hostsim's MoFileIO writes them: one uncompressed 8- or 16-bit grey image
// (BlackIsZero), top row first, that any viewer opens, plus three private tags:
//   65000 MorlundImageRecord  UNDEFINED  the 740-byte HostImageRecord
//   65001 MorlundTakeExtension UNDEFINED the take's extension block (absent when there is none
//                                        or it is empty)
//   65002 MorlundLookupTable  SHORT      the lookup table of a 16-bit image
// Reading accepts any single-sample 8- or 16-bit unsigned grey TIFF in strips (any compression
// libtiff decodes); the private tags are optional. Paths are native. On Windows, where there is no
// libtiff, these are hostsim's own baseline codec (baseline_tiff.h): the same files, uncompressed
// ones only.
#pragma once

#include <string>

#include "stored_image.h"

namespace hostsim {

inline constexpr unsigned kTagImageRecord = 65000;
inline constexpr unsigned kTagTakeExtension = 65001;
inline constexpr unsigned kTagLookupTable = 65002;

// Writes `path` (created or truncated); `reason` receives libtiff's complaint on failure.
FileStatus WriteTiff(const std::string& path, const StoredImage& stored, std::string* reason);
FileStatus ReadTiff(const std::string& path, StoredImage* stored, std::string* reason);

}  // namespace hostsim
