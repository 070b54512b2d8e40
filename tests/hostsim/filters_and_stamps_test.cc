// What the graphics module does to pixels: the filters and the burnt-in letters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/filters.h"
#include "core/stamp.h"
#include "core/synthetic_xray.h"

namespace hostsim {
namespace {

// Mean absolute difference between horizontal neighbours: high for sharp or noisy images.
double Roughness(const Image& image) {
  double sum = 0;
  for (std::uint32_t y = 0; y < image.height; ++y) {
    for (std::uint32_t x = 1; x < image.width; ++x) {
      sum += std::abs(int{image.At(x, y)} - int{image.At(x - 1, y)});
    }
  }
  return sum / (image.height * (image.width - 1.0));
}

TEST(Filters, EachCodeChangesTheImageVisiblyAndStaysInRange) {
  struct Case {
    std::uint32_t code;
    bool with_wwe;
  };
  const WweBlock wwe{24, 1, 5000, 1000, 1500, 40};
  for (unsigned bits : {16u, 8u}) {
    for (Case c : {Case{7, false}, Case{4, false}, Case{9, true}, Case{0, false}}) {
      Image image = MakeExposureImage(90, 120, bits, 4096, 2);
      Image before = image;
      ASSERT_TRUE(ApplyFilterCode(image, c.code, c.with_wwe ? &wwe : nullptr));
      std::size_t changed = 0;
      for (std::size_t i = 0; i < image.samples.size(); ++i) {
        changed += image.samples[i] != before.samples[i];
        ASSERT_LE(image.samples[i], image.MaxSample());
      }
      EXPECT_GT(changed, image.samples.size() / 4) << "code " << c.code << ", " << bits << " bits";
    }
  }
}

TEST(Filters, SharpenRoughensSmoothCalmsAndUnknownCodesAreRefused) {
  Image image = MakeExposureImage(90, 120, 16, 4096, 2);
  Image sharp = image;
  Sharpen(sharp, 1.0);
  Image smooth = image;
  Smooth(smooth);
  EXPECT_GT(Roughness(sharp), Roughness(image) * 1.3);
  EXPECT_LT(Roughness(smooth), Roughness(image) * 0.8);

  Image untouched = image;
  EXPECT_FALSE(ApplyFilterCode(untouched, 9, nullptr));
  EXPECT_FALSE(ApplyFilterCode(untouched, 5, nullptr));
  EXPECT_EQ(untouched.samples, image.samples);
}

TEST(Filters, WindowMapsItsStartToBlackAndItsEndToWhite) {
  Image image;
  image.width = 4;
  image.height = 1;
  image.bits = 16;
  image.lut = DisplayLookupTable(4096);
  image.samples = {0, 1024, 2048, 4095};
  // Width half the range from a quarter on, gamma 1, no enhancement.
  ApplyWindow(image, WweBlock{24, 1, 5000, 2500, 1000, 0});
  EXPECT_EQ(image.samples, (std::vector<std::uint16_t>{0, 0, 2048, 4095}));
}

TEST(Stamps, LettersLandInTheirCornersOnAnyImageSize) {
  for (unsigned bits : {16u, 8u}) {
    Image left = MakeExposureImage(300, 400, bits, 4096, 1);
    Image right = left;
    StampSideLetter(left, 'L');
    StampSideLetter(right, 'R');
    EXPECT_NE(left.samples, right.samples);
    // The letter's top left pixel is lit in both (both letters start with a full left column);
    // on a 300-pixel side the font is scaled by 5 and set 15 pixels in.
    const int scale = 5;
    EXPECT_EQ(left.At(3 * scale, 3 * scale), left.MaxSample());
    EXPECT_EQ(right.At(3 * scale, 3 * scale), right.MaxSample());

    Image marked = MakeExposureImage(300, 400, bits, 4096, 1);
    Image before = marked;
    StampHostMark(marked, "MORLUND 7.0");
    for (std::uint32_t y = 0; y < 300; ++y) {
      for (std::uint32_t x = 0; x < 300; ++x) ASSERT_EQ(marked.At(x, y), before.At(x, y));
    }
    EXPECT_NE(marked.samples, before.samples);
  }
  // Images smaller than the letters are cut, not overrun.
  for (std::uint32_t side : {1u, 3u, 17u}) {
    Image tiny = MakeExposureImage(side, side, 16, 4096, 1);
    StampSideLetter(tiny, 'L');
    StampHostMark(tiny, "MORLUND 7.0");
    StampText(tiny, "X", -50, -50, 40);
  }
}

}  // namespace
}  // namespace hostsim
