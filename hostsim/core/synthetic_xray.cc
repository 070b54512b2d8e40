#include "synthetic_xray.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace hostsim {

namespace {

// SplitMix64: small, fast and fully determined by its seed.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x1234567ull) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  // Roughly normal, mean 0, deviation 1 (sum of four uniforms).
  double Normal() { return (Unit() + Unit() + Unit() + Unit() - 2.0) * 1.7320508; }

 private:
  std::uint64_t state_;
};

double SmoothStep(double edge0, double edge1, double x) {
  double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

// Value noise: random values on a grid, smoothly interpolated.
class ValueNoise {
 public:
  ValueNoise(Random& random, std::uint32_t width, std::uint32_t height, double spacing)
      : spacing_(spacing),
        columns_(static_cast<std::size_t>(width / spacing) + 3),
        rows_(static_cast<std::size_t>(height / spacing) + 3),
        grid_(columns_ * rows_) {
    for (double& value : grid_) value = random.Unit();
  }
  double At(double x, double y) const {
    double gx = x / spacing_;
    double gy = y / spacing_;
    auto ix = static_cast<std::size_t>(gx);
    auto iy = static_cast<std::size_t>(gy);
    double fx = SmoothStep(0.0, 1.0, gx - static_cast<double>(ix));
    double fy = SmoothStep(0.0, 1.0, gy - static_cast<double>(iy));
    double a = grid_[iy * columns_ + ix];
    double b = grid_[iy * columns_ + ix + 1];
    double c = grid_[(iy + 1) * columns_ + ix];
    double d = grid_[(iy + 1) * columns_ + ix + 1];
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
  }

 private:
  double spacing_;
  std::size_t columns_;
  std::size_t rows_;
  std::vector<double> grid_;
};

struct Tooth {
  double centre_x;  // pixels
  double top_y;     // crown tip, pixels
  double width;     // crown width, pixels
  double height;    // crown tip to apex, pixels
  double sine;      // tilt
  double cosine;
};

// Half-width of the tooth outline at depth v (0 crown tip, 1 apex), in crown widths.
double OutlineHalfWidth(double v) {
  if (v < 0.0 || v > 1.0) return -1.0;
  if (v < 0.12) {
    double t = (0.12 - v) / 0.12;
    return 0.5 * std::sqrt(std::max(0.0, 1.0 - t * t));
  }
  if (v < 0.32) return 0.5;
  if (v < 0.40) return 0.5 - (v - 0.32) / 0.08 * 0.12;
  double t = (v - 0.40) / 0.60;
  return 0.38 * std::sqrt(std::max(0.0, 1.0 - t)) * (1.0 - 0.35 * t);
}

// Half-width of the pulp (chamber, then canal) at depth v, in crown widths.
double PulpHalfWidth(double v) {
  if (v < 0.15 || v > 0.95) return -1.0;
  if (v < 0.22) {
    double t = (v - 0.15) / 0.07;
    return 0.13 * std::sqrt(std::max(0.0, t * (2.0 - t)));
  }
  if (v < 0.36) return 0.13;
  double t = (v - 0.36) / 0.59;
  return 0.11 * std::pow(1.0 - t, 1.5) + 0.02 * (1.0 - 0.5 * t);
}

// The attenuation a tooth adds at (x, y), or a negative value outside it; `root_edge` receives
// the distance in pixels to the root outline (for the periodontal space).
double ToothValue(const Tooth& tooth, double x, double y, double* root_edge) {
  double dx = x - tooth.centre_x;
  double dy = y - tooth.top_y;
  double u = (dx * tooth.cosine + dy * tooth.sine) / tooth.width;
  double v = (-dx * tooth.sine + dy * tooth.cosine) / tooth.height;
  double half = OutlineHalfWidth(v);
  if (half < 0.0) return -1.0;
  double distance = (std::fabs(u) - half) * tooth.width;  // < 0 inside
  if (v > 0.38) *root_edge = std::min(*root_edge, std::fabs(distance));
  if (distance > 1.5) return -1.0;
  double coverage = SmoothStep(1.5, -1.5, distance);
  // Enamel caps the crown with a layer of even thickness; dentin fills the rest; the pulp shows
  // darker inside.
  double core_half = OutlineHalfWidth(v - 0.07) - 0.07;
  bool in_dentin_core = std::fabs(u) < core_half;
  double value = 0.70 + 0.05 * (1.0 - v);
  if (v < 0.36 && !in_dentin_core) value = 0.90 + 0.05 * (1.0 - std::fabs(u) / 0.5);
  double pulp = PulpHalfWidth(v);
  if (pulp > 0.0) {
    double pulp_distance = (std::fabs(u) - pulp) * tooth.width;
    value -= 0.26 * SmoothStep(1.0, -1.0, pulp_distance);
  }
  return value * coverage;
}

}  // namespace

std::vector<std::uint16_t> SyntheticXraySamples(std::uint32_t width, std::uint32_t height,
                                                std::uint32_t seed) {
  Random random(seed);
  const double w = width;
  const double h = height;
  std::array<Tooth, 3> teeth{};
  for (std::size_t i = 0; i < teeth.size(); ++i) {
    double angle = (random.Unit() - 0.5) * 0.14;
    teeth[i].width = w * (0.26 + random.Unit() * 0.03);
    teeth[i].centre_x =
        w * (0.5 + (static_cast<double>(i) - 1.0) * 0.31) + (random.Unit() - 0.5) * w * 0.03;
    teeth[i].top_y = h * (0.05 + random.Unit() * 0.04);
    teeth[i].height = h * (0.84 + random.Unit() * 0.06);
    teeth[i].sine = std::sin(angle);
    teeth[i].cosine = std::cos(angle);
  }
  const double crest = h * (0.05 + 0.40 * 0.87);
  ValueNoise coarse(random, width, height, 48.0);
  ValueNoise medium(random, width, height, 15.0);
  ValueNoise fine(random, width, height, 5.0);
  ValueNoise crest_wave(random, width, height, 160.0);

  std::vector<std::uint16_t> samples(std::size_t{width} * height);
  for (std::uint32_t yi = 0; yi < height; ++yi) {
    const double y = yi;
    for (std::uint32_t xi = 0; xi < width; ++xi) {
      const double x = xi;
      // Soft tissue above the crest, trabecular bone below it.
      double crest_here = crest + (crest_wave.At(x, y) - 0.5) * h * 0.06;
      double bone_weight = SmoothStep(crest_here - 6.0, crest_here + 10.0, y);
      double m = medium.At(x, y);
      double trabecula = 1.0 - std::fabs(2.0 * m - 1.0);  // ridges where the noise crosses 0.5
      double texture = 0.45 * trabecula + 0.35 * fine.At(x, y) + 0.20 * coarse.At(x, y);
      double value = 0.13 + 0.04 * coarse.At(x, y) + bone_weight * (0.27 + 0.16 * texture);
      double root_edge = 1e9;
      double tooth_value = -1.0;
      for (const Tooth& tooth : teeth) {
        if (std::fabs(x - tooth.centre_x) > tooth.width) continue;
        tooth_value = std::max(tooth_value, ToothValue(tooth, x, y, &root_edge));
      }
      // Periodontal space (dark) and lamina dura (bright) follow the roots inside the bone.
      if (bone_weight > 0.5 && root_edge < 9.0) {
        if (root_edge < 3.0)
          value -= 0.10 * bone_weight;
        else if (root_edge < 7.0)
          value += 0.08 * bone_weight;
      }
      if (tooth_value > 0.0) value = std::max(value, tooth_value + 0.1 * bone_weight * texture);
      // Exposure falls off gently towards the edges and the lower part of the sensor.
      double cx = (x - w / 2) / w;
      double cy = (y - h / 2) / h;
      value *= 1.0 - 0.10 * (cx * cx + cy * cy) - 0.04 * (y / h);
      value += random.Normal() * 0.006;
      samples[std::size_t{yi} * width + xi] =
          static_cast<std::uint16_t>(std::clamp(value, 0.0, 1.0) * kSampleMax + 0.5);
    }
  }
  return samples;
}

std::vector<std::uint16_t> DisplayLookupTable(std::uint32_t entries) {
  std::vector<std::uint16_t> lut(entries);
  for (std::uint32_t i = 0; i < entries; ++i) {
    double t = std::min<double>(i, kSampleMax) / kSampleMax;
    lut[i] = static_cast<std::uint16_t>(std::pow(t, 0.8) * 65535.0 + 0.5);
  }
  return lut;
}

Image MakeExposureImage(std::uint32_t width, std::uint32_t height, unsigned bits,
                        std::uint32_t lut_entries, std::uint32_t seed) {
  Image image;
  image.width = width;
  image.height = height;
  image.bits = 16;
  image.samples = SyntheticXraySamples(width, height, seed);
  image.lut = DisplayLookupTable(lut_entries);
  if (bits == 8) {
    // What an 8-bit sensor mode delivers: the displayed grey levels.
    for (std::uint16_t& sample : image.samples) sample = image.Display(sample);
    image.bits = 8;
    image.lut.clear();
    image.palette = LinearGreyPalette();
  }
  return image;
}

}  // namespace hostsim
