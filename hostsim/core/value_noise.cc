#include "value_noise.h"

#include <algorithm>
#include <cmath>

namespace hostsim {

namespace {

// The smooth interpolation weight: zero slope at both lattice points, so no creases show.
double Fade(double t) { return t * t * (3.0 - 2.0 * t); }

}  // namespace

std::uint32_t LatticeHash(std::int64_t x, std::int64_t y, std::uint32_t seed) {
  // Two rounds of a 64-bit finaliser (MurmurHash3's) over the packed coordinates.
  std::uint64_t h = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ull;
  h ^= static_cast<std::uint64_t>(y) * 0xC2B2AE3D27D4EB4Full + seed;
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  h ^= h >> 33;
  return static_cast<std::uint32_t>(h);
}

double LatticeValue(std::int64_t x, std::int64_t y, std::uint32_t seed) {
  return LatticeHash(x, y, seed) * (1.0 / 4294967296.0);
}

ValueNoiseLayer::ValueNoiseLayer(std::uint32_t seed, double spacing_x, double spacing_y,
                                 double width)
    : seed_(seed),
      inverse_x_(1.0 / std::max(spacing_x, 1.0)),
      inverse_y_(1.0 / std::max(spacing_y, 1.0)),
      column_(static_cast<std::size_t>(std::max(width, 0.0) * inverse_x_) + 3) {}

void ValueNoiseLayer::SetRow(double y) {
  const double gy = y * inverse_y_;
  const double fy = std::floor(gy);
  const auto iy = static_cast<std::int64_t>(fy);
  const double t = Fade(gy - fy);
  for (std::size_t i = 0; i < column_.size(); ++i) {
    const auto ix = static_cast<std::int64_t>(i);
    const double above = LatticeValue(ix, iy, seed_);
    const double below = LatticeValue(ix, iy + 1, seed_);
    column_[i] = above + (below - above) * t;
  }
}

double ValueNoiseLayer::At(double x) const {
  const double gx = std::max(x, 0.0) * inverse_x_;
  const auto ix = std::min(static_cast<std::size_t>(gx), column_.size() - 2);
  const double t = Fade(std::min(gx - static_cast<double>(ix), 1.0));
  return column_[ix] + (column_[ix + 1] - column_[ix]) * t;
}

}  // namespace hostsim
