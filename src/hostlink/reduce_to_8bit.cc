#include "hostlink/reduce_to_8bit.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "hostlink/modules/record_layout.h"

namespace radlyn {
namespace {

namespace bitmap = records::bitmap;

constexpr std::size_t kRampEntries = 256;
constexpr std::uint32_t kReducedHeaderSize = bitmap::kHeaderSize + kRampEntries * 4;  // 1,064
constexpr std::size_t kTableSpan = 65536;  // one entry per possible sample value

// Four samples per step, their four output bytes stored together. The output of a step (at i)
// lies before the input of every later step (at 2i + 8), and a step reads all its samples before
// it stores, so the work can be done in place.
std::size_t Sample(const std::uint8_t* at) { return std::size_t{at[0]} | std::size_t{at[1]} << 8; }

void StoreFour(std::uint8_t* at, std::uint32_t bytes) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(at, &bytes, sizeof bytes);
  } else {
    for (int k = 0; k < 4; ++k) at[k] = static_cast<std::uint8_t>(bytes >> (8 * k));
  }
}

// `high` gives the output byte of a sample value v at high[Stride * v].
template <std::size_t Stride>
void MapThroughTable(std::uint8_t* pixels, std::size_t count, const std::uint8_t* high) {
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const std::uint8_t* in = pixels + 2 * i;
    const std::uint32_t out = std::uint32_t{high[Stride * Sample(in)]} |
                              std::uint32_t{high[Stride * Sample(in + 2)]} << 8 |
                              std::uint32_t{high[Stride * Sample(in + 4)]} << 16 |
                              std::uint32_t{high[Stride * Sample(in + 6)]} << 24;
    StoreFour(pixels + i, out);
  }
  for (; i < count; ++i) pixels[i] = high[Stride * Sample(pixels + 2 * i)];
}

// Every second byte (the high byte of each sample), sixteen samples per step where SSE2 is
// there: the same in-place argument holds for 32 bytes read and 16 stored.
void KeepHighBytes(std::uint8_t* pixels, std::size_t count) {
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= count; i += 16) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 2 * i));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 2 * i + 16));
    const __m128i high = _mm_packus_epi16(_mm_srli_epi16(first, 8), _mm_srli_epi16(second, 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i), high);
  }
#endif
  for (; i < count; ++i) pixels[i] = pixels[2 * i + 1];
}

}  // namespace

void ReduceSamplesTo8Bit(std::uint8_t* pixels, std::size_t count, const std::uint8_t* table,
                         std::size_t table_entries, bool use_table) {
  if (!use_table || table_entries == 0) {
    KeepHighBytes(pixels, count);
    return;
  }
  if (table_entries >= kTableSpan) {
    // A full table: its entries' high bytes are read where they lie.
    MapThroughTable<2>(pixels, count, table + 1);
    return;
  }
  // A short table: values past its end repeat its last entry.
  std::vector<std::uint8_t> high(kTableSpan, table[2 * (table_entries - 1) + 1]);
  for (std::size_t v = 0; v < table_entries; ++v) high[v] = table[2 * v + 1];
  MapThroughTable<1>(pixels, count, high.data());
}

void ReduceTo8Bit(GmHandle header_block, GmHandle pixel_block, bool use_table) {
  if (header_block == 0 || pixel_block == 0) return;
  auto& memory = platform::GetGlobalMemory();

  auto* header = static_cast<std::uint8_t*>(memory.Lock(header_block));
  if (header == nullptr) return;
  const std::uint32_t header_size = memory.Size(header_block);
  if (header_size < bitmap::kHeaderSize || records::ReadU16(header, bitmap::kBitCount) != 16) {
    memory.Unlock(header_block);
    return;
  }
  auto* pixels = static_cast<std::uint8_t*>(memory.Lock(pixel_block));
  if (pixels == nullptr) {
    memory.Unlock(header_block);
    return;
  }
  const std::uint32_t image_bytes =
      std::min(records::ReadU32(header, bitmap::kSizeImage), memory.Size(pixel_block));
  const std::uint32_t count = image_bytes / 2;
  ReduceSamplesTo8Bit(pixels, count, header + bitmap::kHeaderSize,
                      (header_size - bitmap::kHeaderSize) / 2, use_table);
  memory.Unlock(pixel_block);
  memory.ReAlloc(pixel_block, count);

  records::WriteU16(header, bitmap::kBitCount, 8);
  records::WriteU32(header, bitmap::kSizeImage, count);
  // The header counts the colour table it now has: the 16-bit table's length would send a
  // reader past the end of the block. 256 names the ramp's entries outright, as 8-bit headers
  // written elsewhere do, rather than leaving it to the reader's default for 0.
  records::WriteU32(header, bitmap::kClrUsed, kRampEntries);
  if (records::ReadU32(header, bitmap::kClrImportant) > kRampEntries) {
    records::WriteU32(header, bitmap::kClrImportant, 0);  // 0: every entry is important
  }
  memory.Unlock(header_block);

  // The grey ramp is written after resizing, so a header block shorter than 1,064 bytes grows to
  // hold it instead of being overrun.
  if (memory.ReAlloc(header_block, kReducedHeaderSize) == 0) return;
  header = static_cast<std::uint8_t*>(memory.Lock(header_block));
  if (header == nullptr) return;
  for (std::size_t i = 0; i < kRampEntries; ++i) {
    std::uint8_t* entry = header + bitmap::kHeaderSize + 4 * i;
    entry[0] = entry[1] = entry[2] = static_cast<std::uint8_t>(i);
    entry[3] = 0;
  }
  memory.Unlock(header_block);
}

}  // namespace radlyn
