// Deterministic value noise for the synthetic X-ray: random values on a lattice, hashed from the
// lattice point and a seed (no tables, no state), smoothly interpolated between lattice points.
// An image is generated row by row, so a layer prepares one row at a time: it interpolates the
// lattice vertically once per row and per lattice column, leaving one horizontal interpolation
// per pixel. Memory: one value per lattice column.
#pragma once

#include <cstdint>
#include <vector>

namespace hostsim {

// A 32-bit hash of a lattice point and a seed (well mixed in every bit).
std::uint32_t LatticeHash(std::int64_t x, std::int64_t y, std::uint32_t seed);

// The hash as a value in [0, 1).
double LatticeValue(std::int64_t x, std::int64_t y, std::uint32_t seed);

class ValueNoiseLayer {
 public:
  // Lattice spacing in pixels, horizontally and vertically (different spacings stretch the
  // pattern); `width` is the largest x asked for. Spacings below one pixel are raised to one.
  ValueNoiseLayer(std::uint32_t seed, double spacing_x, double spacing_y, double width);

  // Prepares the row at y (any y, also negative).
  void SetRow(double y);
  // The noise in [0, 1) at x (0 to width) on the prepared row.
  double At(double x) const;

 private:
  std::uint32_t seed_;
  double inverse_x_;
  double inverse_y_;
  std::vector<double> column_;  // the row's value above each lattice column
};

}  // namespace hostsim
