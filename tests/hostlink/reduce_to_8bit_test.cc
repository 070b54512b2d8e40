// 16-to-8-bit reduction of a host image in place: through the lookup table or by the high byte,
// 8-bit images untouched, and every block read only within its size.
#include "hostlink/reduce_to_8bit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "hostlink/modules/record_layout.h"
#include "platform/global_memory.h"

namespace radlyn {
namespace {

namespace bitmap = records::bitmap;

std::vector<std::uint8_t> Read(GmHandle h) {
  auto* bytes = static_cast<std::uint8_t*>(GmLock(h));
  std::vector<std::uint8_t> copy(bytes, bytes + GmSize(h));
  GmUnlock(h);
  return copy;
}

GmHandle Block(const std::vector<std::uint8_t>& bytes) {
  const GmHandle h = GmAlloc(static_cast<std::uint32_t>(bytes.size()));
  auto* target = static_cast<std::uint8_t*>(GmLock(h));
  if (!bytes.empty()) std::memcpy(target, bytes.data(), bytes.size());
  GmUnlock(h);
  return h;
}

// A 16-bit image: the bitmap header, `table_entries` lookup entries (entry v = `entry(v)`), and
// the samples as 16-bit little-endian values.
struct Image {
  Image(const std::vector<std::uint16_t>& samples, std::size_t table_entries,
        std::uint16_t (*entry)(std::size_t), std::uint16_t bit_count = 16) {
    std::vector<std::uint8_t> h(bitmap::kHeaderSize + 2 * table_entries);
    records::WriteU32(h.data(), bitmap::kSize, 40);
    records::WriteU32(h.data(), bitmap::kWidth, static_cast<std::uint32_t>(samples.size()));
    records::WriteU32(h.data(), bitmap::kHeight, 1);
    records::WriteU16(h.data(), bitmap::kBitCount, bit_count);
    records::WriteU32(h.data(), bitmap::kSizeImage, static_cast<std::uint32_t>(2 * samples.size()));
    // The table's length as the host counts it (4,096 for hostsim's 12-bit sensors).
    records::WriteU32(h.data(), bitmap::kClrUsed, static_cast<std::uint32_t>(table_entries));
    records::WriteU32(h.data(), bitmap::kClrImportant, static_cast<std::uint32_t>(table_entries));
    for (std::size_t v = 0; v < table_entries; ++v) {
      h[40 + 2 * v] = static_cast<std::uint8_t>(entry(v));
      h[40 + 2 * v + 1] = static_cast<std::uint8_t>(entry(v) >> 8);
    }
    std::vector<std::uint8_t> p;
    for (std::uint16_t s : samples) {
      p.push_back(static_cast<std::uint8_t>(s));
      p.push_back(static_cast<std::uint8_t>(s >> 8));
    }
    header = Block(h);
    pixels = Block(p);
  }
  ~Image() {
    GmFree(header);
    GmFree(pixels);
  }
  GmHandle header, pixels;
};

// High byte of entry v is 255 - (v mod 256): never the sample's own high byte by accident.
std::uint16_t Inverting(std::size_t v) {
  return static_cast<std::uint16_t>((255 - (v & 0xFF)) << 8 | 0x5A);
}

void ExpectEightBitHeader(GmHandle header, std::uint32_t samples) {
  const auto h = Read(header);
  ASSERT_EQ(h.size(), 1064u);
  EXPECT_EQ(records::ReadU16(h.data(), bitmap::kBitCount), 8);
  EXPECT_EQ(records::ReadU32(h.data(), bitmap::kSizeImage), samples);
  EXPECT_EQ(records::ReadU32(h.data(), bitmap::kSize), 40u) << "other fields kept";
  // The header counts the entries the block holds, so a reader stays inside it.
  EXPECT_EQ(records::ReadU32(h.data(), bitmap::kClrUsed), 256u);
  EXPECT_LE(records::ReadU32(h.data(), bitmap::kClrImportant), 256u);
  for (std::size_t i = 0; i < 256; ++i) {
    const std::uint8_t expected[4] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                                      static_cast<std::uint8_t>(i), 0};
    ASSERT_EQ(std::memcmp(h.data() + 40 + 4 * i, expected, 4), 0) << "ramp entry " << i;
  }
}

TEST(ReduceTo8BitTest, SamplesBecomeTableEntriesOrTheirHighBytes) {
  const std::vector<std::uint16_t> samples = {0, 1, 255, 256, 0x1234, 0xFF00, 0xFFFF, 0x8000};
  struct Case {
    bool use_table;
    std::vector<std::uint8_t> expected;
  };
  const Case cases[] = {
      {true, {255, 254, 0, 255, 255 - 0x34, 255, 0, 255}},
      {false, {0, 0, 0, 1, 0x12, 0xFF, 0xFF, 0x80}},
  };
  for (const Case& c : cases) {
    Image image(samples, 65536, Inverting);
    ReduceTo8Bit(image.header, image.pixels, c.use_table);
    EXPECT_EQ(Read(image.pixels), c.expected) << c.use_table;
    ExpectEightBitHeader(image.header, static_cast<std::uint32_t>(samples.size()));
  }
}

TEST(ReduceTo8BitTest, LongImageMatchesTheSampleBySampleResult) {
  std::mt19937 random(7);
  std::vector<std::uint16_t> samples(10'007);
  for (auto& s : samples) s = static_cast<std::uint16_t>(random());
  Image image(samples, 65536, Inverting);
  ReduceTo8Bit(image.header, image.pixels, true);
  const auto out = Read(image.pixels);
  ASSERT_EQ(out.size(), samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i) {
    ASSERT_EQ(out[i], Inverting(samples[i]) >> 8) << i;
  }
}

TEST(ReduceTo8BitTest, SamplesBeyondTheTableTakeItsLastEntry) {
  const std::vector<std::uint16_t> samples = {0, 3, 4, 1000, 0xFFFF};
  Image short_table(samples, 4, Inverting);  // entries 0 to 3
  ReduceTo8Bit(short_table.header, short_table.pixels, true);
  EXPECT_EQ(Read(short_table.pixels), (std::vector<std::uint8_t>{255, 252, 252, 252, 252}));
  ExpectEightBitHeader(short_table.header, 5);  // grown from 48 bytes, not overrun

  Image no_table(samples, 0, Inverting);  // a bare 40-byte header
  ReduceTo8Bit(no_table.header, no_table.pixels, true);
  EXPECT_EQ(Read(no_table.pixels), (std::vector<std::uint8_t>{0, 0, 0, 3, 255}));
  ExpectEightBitHeader(no_table.header, 5);
}

TEST(ReduceTo8BitTest, LeavesOtherImagesAlone) {
  struct Case {
    const char* name;
    std::uint16_t bit_count;
    std::size_t header_bytes;  // 0: as built
    bool zero_header_handle, zero_pixel_handle;
  };
  const Case cases[] = {
      {"8-bit image", 8, 0, false, false},
      {"24-bit image", 24, 0, false, false},
      {"header shorter than a bitmap header", 16, 20, false, false},
      {"no header block", 16, 0, true, false},
      {"no pixel block", 16, 0, false, true},
  };
  for (const Case& c : cases) {
    Image image({1, 2, 0x300}, 256, Inverting, c.bit_count);
    if (c.header_bytes != 0) GmReAlloc(image.header, static_cast<std::uint32_t>(c.header_bytes));
    const auto header_before = Read(image.header);
    const auto pixels_before = Read(image.pixels);
    ReduceTo8Bit(c.zero_header_handle ? 0 : image.header, c.zero_pixel_handle ? 0 : image.pixels,
                 true);
    EXPECT_EQ(Read(image.header), header_before) << c.name;
    EXPECT_EQ(Read(image.pixels), pixels_before) << c.name;
  }
}

TEST(ReduceTo8BitTest, ConvertsOnlyTheSamplesThePixelBlockHolds) {
  Image image({0x0100, 0x0200, 0x0300, 0x0400}, 0, Inverting);
  GmReAlloc(image.pixels, 5);  // two whole samples and a stray byte
  ReduceTo8Bit(image.header, image.pixels, false);
  EXPECT_EQ(Read(image.pixels), (std::vector<std::uint8_t>{1, 2}));
  ExpectEightBitHeader(image.header, 2);
}

}  // namespace
}  // namespace radlyn
