#include "orbel/orbel_image.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <vector>

#include "orbel/tiff_strips.h"

namespace hostsim {
namespace {

// 5 x 7 glyphs of the watermark's letters, one row per byte, high bit on the left.
constexpr std::array<std::array<std::uint8_t, 7>, 5> kWatermark{{
    {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E},  // O
    {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11},  // R
    {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E},  // B
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F},  // E
    {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F},  // L
}};

void Sharpen(std::vector<std::uint16_t>& samples, std::uint32_t width, std::uint32_t height,
             std::uint16_t top) {
  const std::vector<std::uint16_t> source = samples;
  auto at = [&](std::uint32_t x, std::uint32_t y) {
    return static_cast<std::int64_t>(source[std::size_t{y} * width + x]);
  };
  for (std::uint32_t y = 1; y + 1 < height; ++y) {
    for (std::uint32_t x = 1; x + 1 < width; ++x) {
      const std::int64_t value =
          5 * at(x, y) - at(x - 1, y) - at(x + 1, y) - at(x, y - 1) - at(x, y + 1);
      samples[std::size_t{y} * width + x] =
          static_cast<std::uint16_t>(std::clamp<std::int64_t>(value, 0, top));
    }
  }
}

void StampWatermark(std::vector<std::uint16_t>& samples, std::uint32_t width, std::uint32_t height,
                    std::uint16_t top) {
  const std::uint32_t scale = std::max<std::uint32_t>(1, width / 160);
  const std::uint32_t margin = 2 * scale;
  for (std::size_t letter = 0; letter < kWatermark.size(); ++letter) {
    for (std::uint32_t row = 0; row < 7; ++row) {
      for (std::uint32_t column = 0; column < 5; ++column) {
        if ((kWatermark[letter][row] >> (4 - column) & 1) == 0) continue;
        for (std::uint32_t dy = 0; dy < scale; ++dy) {
          for (std::uint32_t dx = 0; dx < scale; ++dx) {
            const std::uint32_t x = margin + (letter * 6 + column) * scale + dx;
            const std::uint32_t y = margin + row * scale + dy;
            if (x < width && y < height) samples[std::size_t{y} * width + x] = top;
          }
        }
      }
    }
  }
}

}  // namespace

bool ProcessOrbelImage(const std::string& path, std::string* reason) {
  TiffStrips layout;
  if (!ReadTiffStrips(path, &layout, reason)) return false;
  const std::size_t sample_bytes = layout.bits / 8;
  const std::size_t count = std::size_t{layout.width} * layout.height;

  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  if (!file) {
    *reason = "cannot open the file for writing";
    return false;
  }
  std::vector<std::uint8_t> bytes;
  for (std::size_t s = 0; s < layout.offsets.size() && bytes.size() < count * sample_bytes; ++s) {
    const std::size_t take =
        std::min<std::uint64_t>(layout.sizes[s], count * sample_bytes - bytes.size());
    const std::size_t at = bytes.size();
    bytes.resize(at + take);
    file.seekg(static_cast<std::streamoff>(layout.offsets[s]));
    if (!file.read(reinterpret_cast<char*>(bytes.data() + at),
                   static_cast<std::streamsize>(take))) {
      *reason = "pixel data ends early";
      return false;
    }
  }
  if (bytes.size() < count * sample_bytes) {
    *reason = "pixel data ends early";
    return false;
  }

  const bool little = sample_bytes == 2 && !layout.big_endian;
  std::vector<std::uint16_t> samples(count);
  for (std::size_t i = 0; i < count; ++i) {
    if (sample_bytes == 1) {
      samples[i] = bytes[i];
    } else {
      const std::uint8_t a = bytes[2 * i], b = bytes[2 * i + 1];
      samples[i] =
          little ? static_cast<std::uint16_t>(a | b << 8) : static_cast<std::uint16_t>(a << 8 | b);
    }
  }
  const std::uint16_t top =
      std::max<std::uint16_t>(1, *std::max_element(samples.begin(), samples.end()));
  Sharpen(samples, layout.width, layout.height, top);
  StampWatermark(samples, layout.width, layout.height, top);
  for (std::size_t i = 0; i < count; ++i) {
    if (sample_bytes == 1) {
      bytes[i] = static_cast<std::uint8_t>(samples[i]);
    } else if (little) {
      bytes[2 * i] = static_cast<std::uint8_t>(samples[i]);
      bytes[2 * i + 1] = static_cast<std::uint8_t>(samples[i] >> 8);
    } else {
      bytes[2 * i] = static_cast<std::uint8_t>(samples[i] >> 8);
      bytes[2 * i + 1] = static_cast<std::uint8_t>(samples[i]);
    }
  }

  std::size_t done = 0;
  for (std::size_t s = 0; s < layout.offsets.size() && done < bytes.size(); ++s) {
    const std::size_t put = std::min<std::uint64_t>(layout.sizes[s], bytes.size() - done);
    file.seekp(static_cast<std::streamoff>(layout.offsets[s]));
    file.write(reinterpret_cast<const char*>(bytes.data() + done),
               static_cast<std::streamsize>(put));
    done += put;
  }
  file.flush();
  if (!file) {
    *reason = "writing the pixel data failed";
    return false;
  }
  return true;
}

}  // namespace hostsim
