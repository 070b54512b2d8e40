// The noise behind the synthetic exposure's bone texture: the same seed gives the same pattern,
// values stay in [0, 1), and neighbouring pixels differ only a little (a texture, not static).
#include "core/value_noise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace hostsim {
namespace {

TEST(ValueNoiseTest, SameSeedSamePatternOtherSeedOtherPattern) {
  ValueNoiseLayer first(7, 12.0, 9.0, 400.0);
  ValueNoiseLayer again(7, 12.0, 9.0, 400.0);
  ValueNoiseLayer other(8, 12.0, 9.0, 400.0);
  int differing = 0;
  for (double y : {-30.0, 0.0, 17.5, 250.0}) {
    first.SetRow(y);
    again.SetRow(y);
    other.SetRow(y);
    for (double x = 0; x <= 400.0; x += 3.25) {
      EXPECT_EQ(first.At(x), again.At(x)) << x << "," << y;
      differing += first.At(x) != other.At(x);
    }
  }
  EXPECT_GT(differing, 400);
}

TEST(ValueNoiseTest, StaysInRangeAndVariesSmoothly) {
  ValueNoiseLayer layer(1, 10.0, 10.0, 1000.0);
  double low = 1.0;
  double high = 0.0;
  for (double y = -20.0; y < 200.0; y += 7.0) {
    layer.SetRow(y);
    double previous = layer.At(0.0);
    for (double x = 0.0; x <= 1000.0; x += 1.0) {
      const double value = layer.At(x);
      ASSERT_GE(value, 0.0);
      ASSERT_LT(value, 1.0);
      // One pixel is a tenth of the lattice spacing: the value cannot jump across the range.
      EXPECT_LT(std::fabs(value - previous), 0.3) << x << "," << y;
      previous = value;
      low = std::min(low, value);
      high = std::max(high, value);
    }
  }
  EXPECT_LT(low, 0.2);
  EXPECT_GT(high, 0.8);
}

}  // namespace
}  // namespace hostsim
