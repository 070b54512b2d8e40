// hostsim's own TIFF writer and reader, for builds without libtiff (the Windows cross compiler
// comes without it): baseline TIFF with uncompressed strips, 8- and 16-bit grey, and the private
// tags of tiff_file.h.
//
// Writing gives byte for byte the file that tiff_file.cc writes through libtiff for the same
// image: the 8-byte little-endian header, the strips, the directory at the next even offset, then
// the values too long for their entries, each at an even offset, in the order libtiff writes
// them. Reading accepts those files and any other uncompressed single-sample 8- or 16-bit
// unsigned grey TIFF in strips, in either byte order, with the same statuses as tiff_file.cc; a
// compressed one is a kind of image not read (libtiff decodes those). Paths are native.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stored_image.h"

namespace hostsim {

// Where the pixels of an uncompressed grey TIFF lie in the file: the strips' offsets and the
// bytes of image data each holds (rows of `width` samples of `bits`), in the file's byte order.
struct TiffStrips {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  unsigned bits = 0;
  bool big_endian = false;
  std::vector<std::uint32_t> offsets;
  std::vector<std::uint32_t> sizes;
};

FileStatus WriteBaselineTiff(const std::string& path, const StoredImage& stored,
                             std::string* reason);
FileStatus ReadBaselineTiff(const std::string& path, StoredImage* stored, std::string* reason);
// The strips of a file ReadBaselineTiff would read, for a program that rewrites the pixels in
// place and leaves every tag as it is; the same statuses.
FileStatus ReadBaselineTiffStrips(const std::string& path, TiffStrips* strips, std::string* reason);

}  // namespace hostsim
