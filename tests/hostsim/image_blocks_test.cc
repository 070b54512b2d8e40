// The header and pixel blocks an image travels in between the modules and radlyn.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/image.h"
#include "core/locked_block.h"
#include "core/synthetic_xray.h"
#include "hostlink/modules/record_layout.h"

namespace hostsim {
namespace {

namespace bitmap = radlyn::records::bitmap;
using radlyn::records::WriteU16;
using radlyn::records::WriteU32;

std::vector<std::uint8_t> Header(std::int32_t width, std::int32_t height, unsigned bits,
                                 std::size_t table_bytes) {
  std::vector<std::uint8_t> header(bitmap::kHeaderSize + table_bytes, 0);
  WriteU32(header.data(), bitmap::kSize, 40);
  WriteU32(header.data(), bitmap::kWidth, static_cast<std::uint32_t>(width));
  WriteU32(header.data(), bitmap::kHeight, static_cast<std::uint32_t>(height));
  WriteU16(header.data(), bitmap::kPlanes, 1);
  WriteU16(header.data(), bitmap::kBitCount, static_cast<std::uint16_t>(bits));
  return header;
}

TEST(ImageBlocks, MalformedHeadersAreRefusedWithoutReadingPastTheBlocks) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> header;
    std::size_t pixel_size;
  };
  std::vector<std::uint8_t> big_bi_size = Header(4, 4, 16, 0);
  WriteU32(big_bi_size.data(), bitmap::kSize, 41);
  std::vector<std::uint8_t> compressed = Header(4, 4, 8, 1024);
  WriteU32(compressed.data(), bitmap::kCompression, 1);
  const Case cases[] = {
      {"header shorter than 40 bytes", std::vector<std::uint8_t>(39, 0), 32},
      {"biSize beyond the block", big_bi_size, 32},
      {"zero width", Header(0, 4, 16, 0), 32},
      {"negative width", Header(-4, 4, 16, 0), 32},
      {"zero height", Header(4, 0, 16, 0), 32},
      {"too wide", Header(kMaxImageSide + 1, 1, 8, 1024), 1u << 20},
      {"24 bits", Header(4, 4, 24, 0), 48},
      {"compressed", compressed, 16},
      {"pixel block one byte short", Header(4, 4, 16, 0), 31},
  };
  for (const Case& c : cases) {
    std::string reason;
    EXPECT_FALSE(ParseBlocks(c.header.data(), c.header.size(), c.pixel_size, &reason)) << c.what;
    EXPECT_FALSE(reason.empty()) << c.what;
  }
}

TEST(ImageBlocks, TablesAreBoundedByTheBlockAndByBiClrUsed) {
  struct Case {
    unsigned bits;
    std::size_t table_bytes;
    std::uint32_t colours_used;
    std::size_t entries;
  };
  const Case cases[] = {
      {16, 2 * 4096, 0, 4096},   // the whole rest of the block
      {16, 2 * 4096, 100, 100},  // biClrUsed counts
      {16, 2 * 10, 4096, 10},    // but never beyond the block
      {16, 0, 0, 0},             // no table at all
      {8, 1024, 0, 256},         // 8 bits: 256 by default
      {8, 1024, 4096, 256},      // a count left over from a 16-bit header
      {8, 400, 0, 100},          // a short colour table
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> header = Header(4, 4, c.bits, c.table_bytes);
    WriteU32(header.data(), bitmap::kClrUsed, c.colours_used);
    auto layout = ParseBlocks(header.data(), header.size(), 4 * 4 * 2);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->table_entries, c.entries) << c.bits << " bits, " << c.table_bytes << " bytes";
  }
}

TEST(ImageBlocks, RowsAreBottomUpForAPositiveHeightAndTopDownForANegativeOne) {
  for (std::int32_t sign : {1, -1}) {
    std::vector<std::uint8_t> header = Header(3, 2 * sign, 8, 1024);
    GmHandle head = GmAlloc(static_cast<std::uint32_t>(header.size()));
    GmHandle pixels = GmAlloc(6);
    {
      LockedBlock h(head);
      std::memcpy(h.data(), header.data(), header.size());
      LockedBlock p(pixels);
      const std::uint8_t rows[6] = {1, 2, 3, 4, 5, 6};  // first row in memory, then second
      std::memcpy(p.data(), rows, sizeof rows);
    }
    std::string reason;
    auto image = ReadImageBlocks(head, pixels, &reason);
    ASSERT_TRUE(image) << reason;
    EXPECT_EQ(image->At(0, 0), sign > 0 ? 4 : 1) << "top left, height sign " << sign;
    EXPECT_EQ(image->At(2, 1), sign > 0 ? 3 : 6) << "bottom right, height sign " << sign;
    image->At(0, 0) = 9;
    ASSERT_TRUE(WriteSamplesBack(*image, head, pixels));
    LockedBlock p(pixels);
    EXPECT_EQ(p.data()[sign > 0 ? 3 : 0], 9);
    GmFree(head);
    GmFree(pixels);
  }
}

TEST(ImageBlocks, MadeBlocksDescribeTheImageAsAnExposureDelivers) {
  Image image = MakeExposureImage(10, 6, 16, 4096, 1);
  GmHandle head = 0;
  GmHandle pixels = 0;
  ASSERT_TRUE(MakeImageBlocks(image, &head, &pixels));
  {
    LockedBlock h(head);
    ASSERT_EQ(h.size(), 40u + 2 * 4096);
    EXPECT_EQ(radlyn::records::ReadU16(h.data(), bitmap::kBitCount), 16);
    EXPECT_EQ(radlyn::records::ReadU32(h.data(), bitmap::kHeight), 6u);  // bottom-up
    EXPECT_EQ(radlyn::records::ReadU32(h.data(), bitmap::kSizeImage), 10u * 6 * 2);
    // Entry v of the table sits at 40 + 2v, as radlyn's 8-bit reduction reads it.
    EXPECT_EQ(h.data()[40 + 2 * 4095 + 1], image.lut[4095] >> 8);
  }
  EXPECT_EQ(GmSize(pixels), 10u * 6 * 2);
  auto back = ReadImageBlocks(head, pixels, nullptr);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->samples, image.samples);
  EXPECT_EQ(back->lut, image.lut);
  GmFree(head);
  GmFree(pixels);
}

TEST(SyntheticXray, IsDeterministicPerSeedAndStaysInTwelveBits) {
  std::vector<std::uint16_t> a = SyntheticXraySamples(120, 160, 5);
  EXPECT_EQ(a, SyntheticXraySamples(120, 160, 5));
  EXPECT_NE(a, SyntheticXraySamples(120, 160, 6));
  std::uint16_t low = 0xFFFF;
  std::uint16_t high = 0;
  for (std::uint16_t v : a) {
    low = std::min(low, v);
    high = std::max(high, v);
  }
  EXPECT_LE(high, kSampleMax);
  // Enamel near white and soft tissue near black: an image with real contrast.
  EXPECT_GT(high, 3400);
  EXPECT_LT(low, 1000);
}

}  // namespace
}  // namespace hostsim
