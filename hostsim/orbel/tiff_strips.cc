// Linux: libtiff finds the strips.
#include "orbel/tiff_strips.h"

#include <tiffio.h>

#include <cstdint>
#include <limits>

namespace hostsim {

bool ReadTiffStrips(const std::string& path, TiffStrips* strips, std::string* reason) {
  TIFFSetWarningHandler(nullptr);
  TIFFSetErrorHandler(nullptr);
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  if (tiff == nullptr) {
    *reason = "not a TIFF file";
    return false;
  }
  std::uint16_t bits = 0, samples = 1, compression = COMPRESSION_NONE;
  std::uint16_t planar = PLANARCONFIG_CONTIG;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &strips->width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &strips->height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
  strips->bits = bits;
  strips->big_endian = TIFFIsBigEndian(tiff) != 0;
  bool ok = !TIFFIsTiled(tiff) && samples == 1 && (bits == 8 || bits == 16) &&
            compression == COMPRESSION_NONE && planar == PLANARCONFIG_CONTIG && strips->width > 0 &&
            strips->height > 0 && strips->width <= 20000 && strips->height <= 20000;
  std::uint64_t* offsets = nullptr;
  std::uint64_t* sizes = nullptr;
  if (ok && TIFFGetField(tiff, TIFFTAG_STRIPOFFSETS, &offsets) &&
      TIFFGetField(tiff, TIFFTAG_STRIPBYTECOUNTS, &sizes) && offsets != nullptr &&
      sizes != nullptr) {
    const std::uint32_t count = TIFFNumberOfStrips(tiff);
    constexpr std::uint64_t kLimit = std::numeric_limits<std::uint32_t>::max();
    for (std::uint32_t s = 0; ok && s < count; ++s) {
      ok = offsets[s] <= kLimit && sizes[s] <= kLimit;
      strips->offsets.push_back(static_cast<std::uint32_t>(offsets[s]));
      strips->sizes.push_back(static_cast<std::uint32_t>(sizes[s]));
    }
  } else {
    ok = false;
  }
  TIFFClose(tiff);
  if (!ok) *reason = "not an uncompressed grey image of 8 or 16 bits";
  return ok;
}

}  // namespace hostsim
