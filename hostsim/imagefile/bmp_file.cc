#include "bmp_file.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "hostlink/modules/record_layout.h"

namespace hostsim {

namespace records = radlyn::records;

namespace {

// BITMAPFILEHEADER, 14 bytes, in front of the BITMAPINFOHEADER.
inline constexpr std::size_t kFileHeaderSize = 14;
inline constexpr records::Field kMagic{0, 2};
inline constexpr std::uint16_t kBitmapMagic = 0x4D42;  // "BM"
inline constexpr records::Field kFileSize{2, 4};
inline constexpr records::Field kPixelOffset{10, 4};

FileStatus Fail(std::string* reason, FileStatus status, const char* what) {
  if (reason != nullptr) *reason = what;
  return status;
}

}  // namespace

FileStatus WriteBmp(const std::string& path, const StoredImage& stored, std::string* reason) {
  const Image& image = stored.image;
  if (image.width == 0 || image.height == 0 ||
      image.samples.size() != std::size_t{image.width} * image.height) {
    return Fail(reason, kFileBadRecord, "no valid image");
  }
  const std::size_t stride = (std::size_t{image.width} + 3) & ~std::size_t{3};
  const std::size_t table = 256 * 4;
  const std::size_t offset = kFileHeaderSize + records::bitmap::kHeaderSize + table;
  const std::size_t total = offset + stride * image.height;
  std::vector<std::uint8_t> file(total, 0);
  std::uint8_t* b = file.data();
  records::WriteU16(b, kMagic, kBitmapMagic);
  records::WriteU32(b, kFileSize, static_cast<std::uint32_t>(total));
  records::WriteU32(b, kPixelOffset, static_cast<std::uint32_t>(offset));
  std::uint8_t* info = b + kFileHeaderSize;
  namespace bitmap = records::bitmap;
  records::WriteU32(info, bitmap::kSize, bitmap::kHeaderSize);
  records::WriteU32(info, bitmap::kWidth, image.width);
  records::WriteU32(info, bitmap::kHeight, image.height);
  records::WriteU16(info, bitmap::kPlanes, 1);
  records::WriteU16(info, bitmap::kBitCount, 8);
  records::WriteU32(info, bitmap::kSizeImage, static_cast<std::uint32_t>(stride * image.height));
  records::WriteU32(info, bitmap::kClrUsed, 256);
  std::vector<std::uint8_t> grey = LinearGreyPalette();
  std::memcpy(info + bitmap::kHeaderSize, grey.data(), grey.size());
  // Grey level per sample value, computed once.
  std::vector<std::uint8_t> level(std::size_t{image.bits == 16 ? 65536u : 256u});
  for (std::size_t v = 0; v < level.size(); ++v)
    level[v] = image.Display(static_cast<std::uint16_t>(v));
  for (std::uint32_t y = 0; y < image.height; ++y) {
    std::uint8_t* row = b + offset + stride * (image.height - 1 - y);
    const std::uint16_t* in = image.Row(y);
    for (std::uint32_t x = 0; x < image.width; ++x)
      row[x] = level[in[x] < level.size() ? in[x] : 0];
  }
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return Fail(reason, kFileCreateError, "cannot create the file");
  bool ok = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  ok = std::fclose(out) == 0 && ok;
  if (!ok) return Fail(reason, kFileWriteError, "writing the file failed");
  return kFileOk;
}

FileStatus ReadBmp(const std::string& path, StoredImage* stored, std::string* reason) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(reason, kFileOpenError, "cannot open the file");
  std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
  if (in.bad()) return Fail(reason, kFileReadError, "reading the file failed");
  namespace bitmap = records::bitmap;
  if (file.size() < kFileHeaderSize + bitmap::kHeaderSize ||
      records::ReadU16(file.data(), kMagic) != kBitmapMagic) {
    return Fail(reason, kFileUnsupported, "not a BMP file");
  }
  const std::uint8_t* info = file.data() + kFileHeaderSize;
  std::uint32_t info_size = records::ReadU32(info, bitmap::kSize);
  auto width = static_cast<std::int32_t>(records::ReadU32(info, bitmap::kWidth));
  auto height = static_cast<std::int32_t>(records::ReadU32(info, bitmap::kHeight));
  unsigned bits = records::ReadU16(info, bitmap::kBitCount);
  std::uint32_t compression = records::ReadU32(info, bitmap::kCompression);
  std::uint32_t colours = records::ReadU32(info, bitmap::kClrUsed);
  std::uint32_t offset = records::ReadU32(file.data(), kPixelOffset);
  if (info_size < bitmap::kHeaderSize || width <= 0 || height == 0 || height == INT32_MIN ||
      static_cast<std::uint32_t>(width) > kMaxImageSide ||
      static_cast<std::uint32_t>(height < 0 ? -height : height) > kMaxImageSide ||
      compression != 0 || (bits != 8 && bits != 24)) {
    return Fail(reason, kFileUnsupported, "not an uncompressed 8- or 24-bit bitmap");
  }
  const std::uint32_t w = static_cast<std::uint32_t>(width);
  const std::uint32_t h = static_cast<std::uint32_t>(height < 0 ? -height : height);
  const std::size_t stride = (std::size_t{w} * (bits / 8) + 3) & ~std::size_t{3};
  std::size_t table_start = kFileHeaderSize + std::size_t{info_size};
  std::size_t table_entries = bits == 8 ? (colours == 0 || colours > 256 ? 256 : colours) : 0;
  if (table_start + table_entries * 4 > file.size() || offset > file.size() ||
      stride * h > file.size() - offset) {
    return Fail(reason, kFileReadError, "the file is cut short");
  }
  std::uint8_t grey[256] = {};
  for (std::size_t i = 0; i < table_entries; ++i) {
    const std::uint8_t* entry = file.data() + table_start + i * 4;
    grey[i] = static_cast<std::uint8_t>((entry[0] + entry[1] + entry[2]) / 3);
  }
  StoredImage result;
  Image& image = result.image;
  image.width = w;
  image.height = h;
  image.bits = 8;
  image.palette = LinearGreyPalette();
  image.samples.resize(std::size_t{w} * h);
  for (std::uint32_t y = 0; y < h; ++y) {
    std::uint32_t file_row = height > 0 ? h - 1 - y : y;
    const std::uint8_t* row = file.data() + offset + stride * file_row;
    std::uint16_t* out = image.Row(y);
    for (std::uint32_t x = 0; x < w; ++x) {
      out[x] = bits == 8
                   ? grey[row[x]]
                   : static_cast<std::uint16_t>((row[3 * x] + row[3 * x + 1] + row[3 * x + 2]) / 3);
    }
  }
  *stored = std::move(result);
  return kFileOk;
}

}  // namespace hostsim
