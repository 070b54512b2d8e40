// hostsim's own TIFF codec (the Windows build's) against libtiff (the Linux build's): both write
// the same bytes for the same image, and the codec reads what libtiff writes.
#include "imagefile/baseline_tiff.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/synthetic_xray.h"
#include "hostlink/modules/record_layout.h"
#include "imagefile/tiff_file.h"
#include "platform/platform_test_support.h"

namespace hostsim {
namespace {

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Shape {
  const char* name;
  std::uint32_t width;
  std::uint32_t height;
  unsigned bits;
  std::uint32_t lut_entries;
  bool record;
  std::size_t extension_size;  // 0: none
};

class SameFilesAsLibtiff : public testing::TestWithParam<Shape> {};

TEST_P(SameFilesAsLibtiff, ByteForByteAndReadBack) {
  const Shape& shape = GetParam();
  StoredImage stored;
  stored.image = MakeExposureImage(shape.width, shape.height, shape.bits, shape.lut_entries, 3);
  if (shape.record) {
    stored.record.assign(radlyn::records::image::kSize, 0x41);
    radlyn::records::WriteU16(stored.record.data(), radlyn::records::image::kYear, 2026);
  }
  for (std::size_t i = 0; i < shape.extension_size; ++i) {
    stored.extension.push_back(static_cast<std::uint8_t>(i * 7));
  }
  stored.has_extension = shape.extension_size > 0;

  radlyn::platform::testing::TempFolder folder;
  std::string reason;
  ASSERT_EQ(WriteTiff(folder / "libtiff.tif", stored, &reason), kFileOk) << reason;
  ASSERT_EQ(WriteBaselineTiff(folder / "own.tif", stored, &reason), kFileOk) << reason;
  EXPECT_EQ(ReadBytes(folder / "own.tif"), ReadBytes(folder / "libtiff.tif"));

  StoredImage read;
  ASSERT_EQ(ReadBaselineTiff(folder / "libtiff.tif", &read, &reason), kFileOk) << reason;
  EXPECT_EQ(read.image.width, shape.width);
  EXPECT_EQ(read.image.bits, shape.bits);
  if (shape.bits == 16) {
    EXPECT_EQ(read.image.samples, stored.image.samples);
    // Without a table tag the reader makes the identity table of the 16-bit range.
    EXPECT_EQ(read.image.lut.size(), stored.image.lut.empty() ? 65536 : stored.image.lut.size());
    EXPECT_TRUE(
        std::equal(stored.image.lut.begin(), stored.image.lut.end(), read.image.lut.begin()));
  } else {
    EXPECT_EQ(read.image.At(5, 7), stored.image.Display(stored.image.At(5, 7)));
  }
  EXPECT_EQ(read.record, stored.record);
  EXPECT_EQ(read.has_extension, stored.has_extension);
  EXPECT_EQ(read.extension, stored.extension);
}

// One strip or several, strip sizes as SHORT or LONG, an odd-sized extension before the table.
INSTANTIATE_TEST_SUITE_P(Shapes, SameFilesAsLibtiff,
                         testing::Values(Shape{"strips16_extension_odd", 320, 240, 16, 4096, true,
                                               161},
                                         Shape{"strips8_odd_width", 321, 241, 8, 0, true, 0},
                                         Shape{"one_strip_plain", 40, 30, 16, 0, false, 0},
                                         Shape{"long_strip_sizes", 256, 300, 16, 1000, true, 2}),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

// A big-endian file with several strips, as another program may write it, and a compressed one.
TEST(BaselineTiffReader, ReadsBigEndianStripsAndRefusesCompressedData) {
  radlyn::platform::testing::TempFolder folder;
  const Image image = MakeExposureImage(300, 250, 16, 4096, 9);
  auto write = [&](const std::string& path, const char* mode, std::uint16_t compression) {
    TIFF* tif = TIFFOpen(path.c_str(), mode);
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, image.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, image.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 17);
    for (std::uint32_t y = 0; y < image.height; ++y) {
      std::vector<std::uint16_t> row(image.Row(y), image.Row(y) + image.width);
      ASSERT_EQ(TIFFWriteScanline(tif, row.data(), y, 0), 1);
    }
    TIFFClose(tif);
  };
  write(folder / "big.tif", "wb", COMPRESSION_NONE);
  write(folder / "lzw.tif", "w", COMPRESSION_LZW);

  StoredImage read;
  std::string reason;
  ASSERT_EQ(ReadBaselineTiff(folder / "big.tif", &read, &reason), kFileOk) << reason;
  EXPECT_EQ(read.image.samples, image.samples);
  EXPECT_EQ(read.image.lut.size(), 65536u);  // no table tag: the identity table
  EXPECT_TRUE(read.record.empty());
  EXPECT_EQ(ReadBaselineTiff(folder / "lzw.tif", &read, &reason), kFileUnsupported);
}

}  // namespace
}  // namespace hostsim
