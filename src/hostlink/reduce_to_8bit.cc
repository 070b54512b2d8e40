#include "hostlink/reduce_to_8bit.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "hostlink/modules/record_layout.h"

namespace radlyn {
namespace {

namespace bitmap = records::bitmap;

constexpr std::size_t kRampEntries = 256;
constexpr std::uint32_t kReducedHeaderSize = bitmap::kHeaderSize + kRampEntries * 4;  // 1,064
constexpr std::size_t kChunk = 32;  // samples read before their bytes are written

// Converts samples chunk by chunk: every chunk is read completely before its bytes are stored,
// so the output (at i) never overwrites input (at 2i) that is still to be read.
template <typename Map>
void ConvertSamples(std::uint8_t* pixels, std::size_t count, Map map) {
  std::size_t i = 0;
  for (; i + kChunk <= count; i += kChunk) {
    std::uint8_t chunk[kChunk];
    const std::uint8_t* in = pixels + 2 * i;
    for (std::size_t k = 0; k < kChunk; ++k) {
      chunk[k] = map(static_cast<std::uint16_t>(in[2 * k] | in[2 * k + 1] << 8));
    }
    std::memcpy(pixels + i, chunk, kChunk);
  }
  for (; i < count; ++i) {
    pixels[i] = map(static_cast<std::uint16_t>(pixels[2 * i] | pixels[2 * i + 1] << 8));
  }
}

}  // namespace

void ReduceSamplesTo8Bit(std::uint8_t* pixels, std::size_t count, const std::uint8_t* table,
                         std::size_t table_entries, bool use_table) {
  if (!use_table || table_entries == 0) {
    ConvertSamples(pixels, count,
                   [](std::uint16_t v) { return static_cast<std::uint8_t>(v >> 8); });
    return;
  }
  // The high bytes of the table, one per possible sample value; values past the table's end
  // repeat its last entry.
  std::array<std::uint8_t, 65536> high;
  const std::size_t entries = std::min<std::size_t>(table_entries, high.size());
  for (std::size_t v = 0; v < entries; ++v) high[v] = table[2 * v + 1];
  std::fill(high.begin() + static_cast<std::ptrdiff_t>(entries), high.end(),
            table[2 * (entries - 1) + 1]);
  ConvertSamples(pixels, count, [&high](std::uint16_t v) { return high[v]; });
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
