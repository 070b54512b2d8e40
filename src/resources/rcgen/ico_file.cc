#include "resources/rcgen/ico_file.h"

#include <cstdint>
#include <stdexcept>

namespace radlyn::rcgen {
namespace {

// Icon directory: reserved (2), type 1 = icon (2), image count (2); then one 16-byte entry per
// image: width (1, 0 for 256), height (1), colour count (1), reserved (1), planes (2), bits per
// pixel (2), byte size of the image (4), offset of the image from the file's start (4).
constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kEntrySize = 16;
// The image's BITMAPINFOHEADER: its size (4), width (4), height of colour and mask together (4),
// planes (2), bits per pixel (2), compression 0 = none (4), image size (4), four more fields of 4
// bytes left at 0.
constexpr std::size_t kBitmapHeaderSize = 40;

void Put16(std::string& out, unsigned value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

std::size_t MaskRowBytes(int size) { return (static_cast<std::size_t>(size) + 31) / 32 * 4; }

std::size_t ImageBytes(int size) {
  const auto pixels = static_cast<std::size_t>(size) * size;
  return kBitmapHeaderSize + pixels * 4 + MaskRowBytes(size) * size;
}

void PutImage(std::string& out, const RgbaImage& image) {
  const int size = image.size;
  Put32(out, kBitmapHeaderSize);
  Put32(out, size);
  Put32(out, 2 * size);
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(ImageBytes(size) - kBitmapHeaderSize));
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  for (int row = size - 1; row >= 0; --row) {
    for (int column = 0; column < size; ++column) {
      const std::uint8_t* pixel = &image.rgba[(static_cast<std::size_t>(row) * size + column) * 4];
      out += static_cast<char>(pixel[2]);
      out += static_cast<char>(pixel[1]);
      out += static_cast<char>(pixel[0]);
      out += static_cast<char>(pixel[3]);
    }
  }
  for (int row = size - 1; row >= 0; --row) {
    std::string mask(MaskRowBytes(size), '\0');
    for (int column = 0; column < size; ++column) {
      if (image.rgba[(static_cast<std::size_t>(row) * size + column) * 4 + 3] == 0) {
        mask[column / 8] = static_cast<char>(mask[column / 8] | (0x80 >> (column % 8)));
      }
    }
    out += mask;
  }
}

}  // namespace

std::string EncodeIcoFile(std::span<const RgbaImage> images) {
  std::string out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(images.size()));
  std::size_t offset = kDirectorySize + kEntrySize * images.size();
  for (const RgbaImage& image : images) {
    if (image.size < 1 || image.size > 256 ||
        image.rgba.size() != static_cast<std::size_t>(image.size) * image.size * 4) {
      throw std::invalid_argument("icon image of size " + std::to_string(image.size) +
                                  " cannot be stored");
    }
    out += static_cast<char>(image.size & 0xFF);  // 256 is written as 0
    out += static_cast<char>(image.size & 0xFF);
    out += '\0';
    out += '\0';
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<std::uint32_t>(ImageBytes(image.size)));
    Put32(out, static_cast<std::uint32_t>(offset));
    offset += ImageBytes(image.size);
  }
  for (const RgbaImage& image : images) PutImage(out, image);
  return out;
}

}  // namespace radlyn::rcgen
