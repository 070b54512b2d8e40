#include "image.h"

#include <cstring>

#include "hostlink/modules/record_layout.h"
#include "locked_block.h"

namespace hostsim {

namespace bitmap = radlyn::records::bitmap;
using radlyn::records::ReadU16;
using radlyn::records::ReadU32;
using radlyn::records::WriteU16;
using radlyn::records::WriteU32;

namespace {

bool Fail(std::string* reason, const char* text) {
  if (reason != nullptr) *reason = text;
  return false;
}

// Row y (top row 0) of the pixel block.
std::size_t RowOffset(const BlockLayout& layout, std::uint32_t y) {
  std::uint32_t row = layout.bottom_up ? layout.height - 1 - y : y;
  return std::size_t{row} * layout.width * (layout.bits / 8);
}

}  // namespace

std::uint16_t Image::MaxSample() const {
  if (bits == 8) return 255;
  if (lut.empty() || lut.size() > 65536) return 65535;
  return static_cast<std::uint16_t>(lut.size() - 1);
}

std::uint8_t Image::Display(std::uint16_t sample) const {
  if (bits == 8) {
    std::size_t entry = std::size_t{sample} * 4;
    if (entry + 2 >= palette.size()) return static_cast<std::uint8_t>(sample);
    return static_cast<std::uint8_t>((palette[entry] + palette[entry + 1] + palette[entry + 2]) /
                                     3);
  }
  if (lut.empty()) return static_cast<std::uint8_t>(sample >> 8);
  std::uint16_t value = sample < lut.size() ? lut[sample] : lut.back();
  return static_cast<std::uint8_t>(value >> 8);
}

bool Image::HasLinearGreyPalette() const {
  return palette.empty() || palette == LinearGreyPalette();
}

std::vector<std::uint8_t> LinearGreyPalette() {
  std::vector<std::uint8_t> palette(256 * 4, 0);
  for (unsigned i = 0; i < 256; ++i) {
    palette[i * 4] = palette[i * 4 + 1] = palette[i * 4 + 2] = static_cast<std::uint8_t>(i);
  }
  return palette;
}

std::optional<BlockLayout> ParseBlocks(const std::uint8_t* header, std::size_t header_size,
                                       std::size_t pixel_size, std::string* reason) {
  if (header == nullptr || header_size < bitmap::kHeaderSize) {
    Fail(reason, "header block smaller than a BITMAPINFOHEADER");
    return std::nullopt;
  }
  BlockLayout layout;
  std::uint32_t header_length = ReadU32(header, bitmap::kSize);
  auto width = static_cast<std::int32_t>(ReadU32(header, bitmap::kWidth));
  auto height = static_cast<std::int32_t>(ReadU32(header, bitmap::kHeight));
  layout.bits = ReadU16(header, bitmap::kBitCount);
  std::uint32_t compression = ReadU32(header, bitmap::kCompression);
  std::uint32_t colours_used = ReadU32(header, bitmap::kClrUsed);
  if (header_length < bitmap::kHeaderSize || header_length > header_size) {
    Fail(reason, "biSize outside the header block");
    return std::nullopt;
  }
  if (width <= 0 || height == 0 || height == INT32_MIN ||
      static_cast<std::uint32_t>(width) > kMaxImageSide ||
      static_cast<std::uint32_t>(height < 0 ? -height : height) > kMaxImageSide) {
    Fail(reason, "image size out of range");
    return std::nullopt;
  }
  if ((layout.bits != 8 && layout.bits != 16) || compression != 0) {
    Fail(reason, "not an uncompressed 8- or 16-bit image");
    return std::nullopt;
  }
  layout.width = static_cast<std::uint32_t>(width);
  layout.height = static_cast<std::uint32_t>(height < 0 ? -height : height);
  layout.bottom_up = height > 0;
  layout.table_offset = header_length;
  std::size_t entry_size = layout.bits == 16 ? 2 : 4;
  std::size_t room = (header_size - header_length) / entry_size;
  std::size_t wanted = layout.bits == 16 ? room : 256;
  if (colours_used != 0) wanted = colours_used;
  layout.table_entries = wanted < room ? wanted : room;
  if (layout.bits == 8 && layout.table_entries > 256) layout.table_entries = 256;
  layout.pixel_bytes = std::size_t{layout.width} * layout.height * (layout.bits / 8);
  if (pixel_size < layout.pixel_bytes) {
    Fail(reason, "pixel block smaller than the image");
    return std::nullopt;
  }
  return layout;
}

std::optional<Image> ReadImageBlocks(GmHandle header, GmHandle pixels, std::string* reason) {
  if (header == 0 || pixels == 0) {
    Fail(reason, "no image handles");
    return std::nullopt;
  }
  LockedBlock head(header);
  LockedBlock data(pixels);
  if (head.data() == nullptr || data.data() == nullptr) {
    Fail(reason, "image block cannot be locked");
    return std::nullopt;
  }
  std::optional<BlockLayout> layout = ParseBlocks(head.data(), head.size(), data.size(), reason);
  if (!layout) return std::nullopt;
  Image image;
  image.width = layout->width;
  image.height = layout->height;
  image.bits = layout->bits;
  image.samples.resize(std::size_t{image.width} * image.height);
  const std::uint8_t* table = head.data() + layout->table_offset;
  if (image.bits == 16) {
    image.lut.resize(layout->table_entries);
    for (std::size_t i = 0; i < image.lut.size(); ++i) {
      image.lut[i] = static_cast<std::uint16_t>(table[2 * i] | table[2 * i + 1] << 8);
    }
  } else {
    image.palette = LinearGreyPalette();
    std::memcpy(image.palette.data(), table, layout->table_entries * 4);
  }
  for (std::uint32_t y = 0; y < image.height; ++y) {
    const std::uint8_t* row = data.data() + RowOffset(*layout, y);
    std::uint16_t* out = image.Row(y);
    if (image.bits == 16) {
      for (std::uint32_t x = 0; x < image.width; ++x) {
        out[x] = static_cast<std::uint16_t>(row[2 * x] | row[2 * x + 1] << 8);
      }
    } else {
      for (std::uint32_t x = 0; x < image.width; ++x) out[x] = row[x];
    }
  }
  return image;
}

bool WriteSamplesBack(const Image& image, GmHandle header, GmHandle pixels) {
  LockedBlock head(header);
  LockedBlock data(pixels);
  if (head.data() == nullptr || data.data() == nullptr) return false;
  std::optional<BlockLayout> layout = ParseBlocks(head.data(), head.size(), data.size());
  if (!layout || layout->width != image.width || layout->height != image.height ||
      layout->bits != image.bits) {
    return false;
  }
  for (std::uint32_t y = 0; y < image.height; ++y) {
    std::uint8_t* row = data.data() + RowOffset(*layout, y);
    const std::uint16_t* in = image.Row(y);
    if (image.bits == 16) {
      for (std::uint32_t x = 0; x < image.width; ++x) {
        row[2 * x] = static_cast<std::uint8_t>(in[x]);
        row[2 * x + 1] = static_cast<std::uint8_t>(in[x] >> 8);
      }
    } else {
      for (std::uint32_t x = 0; x < image.width; ++x) row[x] = static_cast<std::uint8_t>(in[x]);
    }
  }
  return true;
}

bool MakeImageBlocks(const Image& image, GmHandle* header, GmHandle* pixels) {
  *header = 0;
  *pixels = 0;
  if (image.width == 0 || image.height == 0 || image.width > kMaxImageSide ||
      image.height > kMaxImageSide || (image.bits != 8 && image.bits != 16) ||
      image.samples.size() != std::size_t{image.width} * image.height) {
    return false;
  }
  std::size_t table_bytes = image.bits == 16 ? image.lut.size() * 2 : 256 * 4;
  std::size_t pixel_bytes = image.samples.size() * (image.bits / 8);
  GmHandle head = GmAlloc(static_cast<std::uint32_t>(bitmap::kHeaderSize + table_bytes));
  GmHandle data = GmAlloc(static_cast<std::uint32_t>(pixel_bytes));
  if (head == 0 || data == 0) {
    if (head != 0) GmFree(head);
    if (data != 0) GmFree(data);
    return false;
  }
  {
    LockedBlock h(head);
    if (h.data() == nullptr) {
      GmFree(head);
      GmFree(data);
      return false;
    }
    std::uint8_t* b = h.data();
    WriteU32(b, bitmap::kSize, bitmap::kHeaderSize);
    WriteU32(b, bitmap::kWidth, image.width);
    WriteU32(b, bitmap::kHeight, image.height);
    WriteU16(b, bitmap::kPlanes, 1);
    WriteU16(b, bitmap::kBitCount, static_cast<std::uint16_t>(image.bits));
    WriteU32(b, bitmap::kCompression, 0);
    WriteU32(b, bitmap::kSizeImage, static_cast<std::uint32_t>(pixel_bytes));
    std::uint8_t* table = b + bitmap::kHeaderSize;
    if (image.bits == 16) {
      WriteU32(b, bitmap::kClrUsed, static_cast<std::uint32_t>(image.lut.size()));
      for (std::size_t i = 0; i < image.lut.size(); ++i) {
        table[2 * i] = static_cast<std::uint8_t>(image.lut[i]);
        table[2 * i + 1] = static_cast<std::uint8_t>(image.lut[i] >> 8);
      }
    } else {
      std::vector<std::uint8_t> palette =
          image.palette.size() == 256 * 4 ? image.palette : LinearGreyPalette();
      std::memcpy(table, palette.data(), palette.size());
    }
  }
  if (!WriteSamplesBack(image, head, data)) {
    GmFree(head);
    GmFree(data);
    return false;
  }
  *header = head;
  *pixels = data;
  return true;
}

}  // namespace hostsim
