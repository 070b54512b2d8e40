#include "filters.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace hostsim {

namespace {

// Separable 1-2-1 blur with the edges repeated, in floating point.
std::vector<float> Blurred(const Image& image) {
  const std::size_t w = image.width;
  const std::size_t h = image.height;
  std::vector<float> across(image.samples.size());
  for (std::size_t y = 0; y < h; ++y) {
    const std::uint16_t* row = &image.samples[y * w];
    for (std::size_t x = 0; x < w; ++x) {
      float left = row[x > 0 ? x - 1 : x];
      float right = row[x + 1 < w ? x + 1 : x];
      across[y * w + x] = (left + 2.0f * row[x] + right) * 0.25f;
    }
  }
  std::vector<float> out(image.samples.size());
  for (std::size_t y = 0; y < h; ++y) {
    const float* up = &across[(y > 0 ? y - 1 : y) * w];
    const float* mid = &across[y * w];
    const float* down = &across[(y + 1 < h ? y + 1 : y) * w];
    for (std::size_t x = 0; x < w; ++x) out[y * w + x] = (up[x] + 2.0f * mid[x] + down[x]) * 0.25f;
  }
  return out;
}

std::uint16_t Clamp(double value, std::uint16_t max) {
  return static_cast<std::uint16_t>(std::clamp(value, 0.0, static_cast<double>(max)) + 0.5);
}

// Maps every sample through a table computed once per sample value.
template <typename Map>
void MapSamples(Image& image, Map map) {
  const std::uint16_t max = image.MaxSample();
  std::vector<std::uint16_t> table(std::size_t{max} + 1);
  for (std::size_t v = 0; v <= max; ++v) table[v] = Clamp(map(static_cast<double>(v)), max);
  for (std::uint16_t& sample : image.samples) sample = table[std::min(sample, max)];
}

}  // namespace

void Sharpen(Image& image, double amount) {
  if (image.samples.empty() || amount <= 0.0) return;
  std::vector<float> blur = Blurred(image);
  const std::uint16_t max = image.MaxSample();
  for (std::size_t i = 0; i < image.samples.size(); ++i) {
    double sample = image.samples[i];
    image.samples[i] = Clamp(sample + amount * (sample - blur[i]), max);
  }
}

void Smooth(Image& image) {
  if (image.samples.empty()) return;
  const std::uint16_t max = image.MaxSample();
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<float> blur = Blurred(image);
    for (std::size_t i = 0; i < image.samples.size(); ++i) image.samples[i] = Clamp(blur[i], max);
  }
}

void ApplyWindow(Image& image, const WweBlock& wwe) {
  const double range = static_cast<double>(image.MaxSample()) + 1.0;
  const double width = std::max(1.0, wwe[2] / 10000.0 * range);
  const double start = wwe[3] / 10000.0 * range;
  const double gamma = wwe[4] > 0 ? wwe[4] / 1000.0 : 1.0;
  MapSamples(image, [&](double v) {
    double t = std::clamp((v - start) / width, 0.0, 1.0);
    return std::pow(t, 1.0 / gamma) * (range - 1.0);
  });
  Sharpen(image, std::clamp(wwe[5], 0, 1000) / 100.0);
}

void StretchContrast(Image& image) {
  if (image.samples.empty()) return;
  const std::uint16_t max = image.MaxSample();
  std::vector<std::size_t> histogram(std::size_t{max} + 1, 0);
  for (std::uint16_t sample : image.samples) ++histogram[std::min(sample, max)];
  const std::size_t total = image.samples.size();
  std::size_t low = 0;
  std::size_t high = max;
  std::size_t seen = 0;
  for (std::size_t v = 0; v <= max; ++v) {
    seen += histogram[v];
    if (seen * 100 < total) low = v + 1;
    if (seen * 100 < total * 99) high = v + 1;
  }
  if (high > max) high = max;
  if (high <= low) return;
  const double scale = static_cast<double>(max) / static_cast<double>(high - low);
  MapSamples(image, [&](double v) {
    double stretched = (v - static_cast<double>(low)) * scale;
    return 0.5 * v + 0.5 * stretched;
  });
}

bool ApplyFilterCode(Image& image, std::uint32_t code, const WweBlock* wwe) {
  switch (code) {
    case 7:
      Sharpen(image, 1.0);
      return true;
    case 4:
      Smooth(image);
      return true;
    case 9:
      if (wwe == nullptr) return false;
      ApplyWindow(image, *wwe);
      return true;
    case 0:
      StretchContrast(image);
      return true;
    default:
      return false;
  }
}

}  // namespace hostsim
