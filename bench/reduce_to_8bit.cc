// ReduceTo8Bit on a 2000 x 1500 16-bit image with and without its lookup table, beside a plain
// memcpy of the same 6,000,000 bytes in the same run. The aim: the reduction at least half as
// fast as the copy.
#include "hostlink/reduce_to_8bit.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "hostlink/modules/record_layout.h"
#include "platform/global_memory.h"

namespace {

using namespace radlyn;
namespace bitmap = records::bitmap;

constexpr std::uint32_t kWidth = 2000;
constexpr std::uint32_t kHeight = 1500;
constexpr std::uint32_t kImageBytes = kWidth * kHeight * 2;
constexpr std::uint32_t kHeaderBytes = bitmap::kHeaderSize + 2 * 65536;

// A sensor-like image: 12-bit samples with noise, and a lookup table spreading them over 16 bits.
struct Source {
  Source() : header(kHeaderBytes), pixels(kImageBytes) {
    records::WriteU32(header.data(), bitmap::kSize, 40);
    records::WriteU32(header.data(), bitmap::kWidth, kWidth);
    records::WriteU32(header.data(), bitmap::kHeight, kHeight);
    records::WriteU16(header.data(), bitmap::kBitCount, 16);
    records::WriteU32(header.data(), bitmap::kSizeImage, kImageBytes);
    for (std::uint32_t v = 0; v < 65536; ++v) {
      records::WriteU16(header.data(), {40 + 2 * v, 2},
                        static_cast<std::uint16_t>(std::min<std::uint32_t>(v * 16, 0xFFFF)));
    }
    std::mt19937 random(1);
    for (std::uint32_t i = 0; i < kImageBytes / 2; ++i) {
      const std::uint16_t sample = static_cast<std::uint16_t>((i % kWidth) + random() % 2000);
      records::WriteU16(pixels.data(), {2 * i, 2}, sample);
    }
  }
  std::vector<std::uint8_t> header;
  std::vector<std::uint8_t> pixels;
};

const Source& TheSource() {
  static const Source source;
  return source;
}

void Fill(GmHandle handle, const std::vector<std::uint8_t>& bytes) {
  GmReAlloc(handle, static_cast<std::uint32_t>(bytes.size()));
  std::memcpy(GmLock(handle), bytes.data(), bytes.size());
  GmUnlock(handle);
}

void BM_ReduceTo8Bit(benchmark::State& state) {
  const bool use_table = state.range(0) != 0;
  const Source& source = TheSource();
  const GmHandle header = GmAlloc(kHeaderBytes);
  const GmHandle pixels = GmAlloc(kImageBytes);
  for (auto _ : state) {
    state.PauseTiming();
    Fill(header, source.header);
    Fill(pixels, source.pixels);
    state.ResumeTiming();
    ReduceTo8Bit(header, pixels, use_table);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kImageBytes);
  GmFree(header);
  GmFree(pixels);
}
BENCHMARK(BM_ReduceTo8Bit)->ArgName("use_table")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// The sample loop alone, on plain memory: the whole call above adds locking and the resizing of
// both blocks.
void BM_ReduceSamplesTo8Bit(benchmark::State& state) {
  const bool use_table = state.range(0) != 0;
  const Source& source = TheSource();
  std::vector<std::uint8_t> pixels(kImageBytes);
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(pixels.data(), source.pixels.data(), kImageBytes);
    state.ResumeTiming();
    ReduceSamplesTo8Bit(pixels.data(), kImageBytes / 2, source.header.data() + bitmap::kHeaderSize,
                        65536, use_table);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kImageBytes);
}
BENCHMARK(BM_ReduceSamplesTo8Bit)
    ->ArgName("use_table")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMicrosecond);

void BM_MemcpySameBytes(benchmark::State& state) {
  const Source& source = TheSource();
  std::vector<std::uint8_t> target(kImageBytes);
  for (auto _ : state) {
    std::memcpy(target.data(), source.pixels.data(), kImageBytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kImageBytes);
}
BENCHMARK(BM_MemcpySameBytes)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
