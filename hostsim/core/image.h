// A grey X-ray image as Morlund's modules hand it around, and its two memory blocks.
//
// Blocks: the header block is a 40-byte BITMAPINFOHEADER (biSize may be larger; the table starts
// at biSize) followed, for 16-bit images, by a lookup table of 16-bit entries indexed by sample
// value, or, for 8-bit images, by a colour table of blue, green, red, 0 quadruples. biClrUsed,
// when nonzero and within the block, counts the table's entries. The pixel block holds the rows
// packed without padding (width x bytes per sample each, as biSizeImage = width * height * 2
// says for 16-bit images), bottom row first for a positive biHeight, top row first for a
// negative one. Only uncompressed (BI_RGB) 8- and 16-bit images are accepted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/global_memory.h"

namespace hostsim {

// The largest width or height accepted anywhere (blocks, files); it bounds what a damaged header
// or file can make hostsim allocate (at most 128 MB of 16-bit samples).
inline constexpr std::uint32_t kMaxImageSide = 8000;

struct Image {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  unsigned bits = 16;                  // 8 or 16
  std::vector<std::uint16_t> samples;  // width * height, top row first
  std::vector<std::uint16_t> lut;      // 16-bit images: display value per sample value
  std::vector<std::uint8_t> palette;   // 8-bit images: 4 bytes per entry

  std::uint16_t& At(std::uint32_t x, std::uint32_t y) {
    return samples[std::size_t{y} * width + x];
  }
  std::uint16_t At(std::uint32_t x, std::uint32_t y) const {
    return samples[std::size_t{y} * width + x];
  }
  std::uint16_t* Row(std::uint32_t y) { return samples.data() + std::size_t{y} * width; }
  const std::uint16_t* Row(std::uint32_t y) const {
    return samples.data() + std::size_t{y} * width;
  }
  // The largest sample that still displays: the last table entry for 16-bit images with a
  // table, 65535 without one, 255 for 8-bit images.
  std::uint16_t MaxSample() const;
  // The 8-bit display value of a sample: the high byte of its table entry (16-bit; a sample
  // beyond the table's end takes the last entry) or its colour table grey (8-bit).
  std::uint8_t Display(std::uint16_t sample) const;
  // True for an 8-bit image whose colour table is the linear grey ramp (or absent).
  bool HasLinearGreyPalette() const;
};

// A 256-entry linear grey colour table.
std::vector<std::uint8_t> LinearGreyPalette();

// Where the parts of an image lie in its two blocks.
struct BlockLayout {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  unsigned bits = 0;
  bool bottom_up = true;
  std::size_t table_offset = 0;   // in the header block
  std::size_t table_entries = 0;  // lookup table or colour table entries
  std::size_t pixel_bytes = 0;    // bytes of pixel data used
};

// Checks a header block against its size and the pixel block's size; the reason when it fails.
std::optional<BlockLayout> ParseBlocks(const std::uint8_t* header, std::size_t header_size,
                                       std::size_t pixel_size, std::string* reason = nullptr);

// Reads the image out of its blocks (handles as in the take record); std::nullopt with a reason
// for a missing, unlockable or malformed block.
std::optional<Image> ReadImageBlocks(GmHandle header, GmHandle pixels, std::string* reason);

// Writes the samples of `image` back into its existing pixel block, in place (the image came
// from ReadImageBlocks on the same blocks and keeps its size).
bool WriteSamplesBack(const Image& image, GmHandle header, GmHandle pixels);

// New header and pixel blocks for `image` (positive biHeight, rows bottom-up); false when memory
// runs out (nothing is left allocated then).
bool MakeImageBlocks(const Image& image, GmHandle* header, GmHandle* pixels);

}  // namespace hostsim
