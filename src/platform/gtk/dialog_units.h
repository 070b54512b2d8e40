// Dialog units to pixels.
//
// Dialog layouts are given in dialog units, which scale with the dialog's font: a horizontal unit
// is a quarter of the font's average character width, a vertical unit an eighth of its character
// height. The average width is measured the way the layouts were designed for: the pixel width
// of the 52 letters A-Z a-z, halved after dividing by 26, rounded up. Conversions round to the
// nearest pixel, halves away from zero, so a layout comes out the same at every origin.
#pragma once

#include <cstdint>
#include <string_view>

namespace radlyn::platform {

// The text whose width gives the average character width of a dialog font.
inline constexpr std::string_view kAverageWidthSample =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

struct DialogBaseUnits {
  int char_width = 0;   // average character width in pixels
  int char_height = 0;  // character height (ascent + descent) in pixels
};

// The base units of a font whose `sample_width` is the pixel width of kAverageWidthSample.
constexpr DialogBaseUnits BaseUnitsFromSample(int sample_width, int char_height) {
  return {(sample_width / 26 + 1) / 2, char_height};
}

// value * numerator / denominator rounded to nearest, halves away from zero; denominator > 0.
constexpr int ScaleRounded(int value, int numerator, int denominator) {
  const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
  const std::int64_t half = denominator / 2;
  const std::int64_t scaled =
      product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
  return static_cast<int>(scaled);
}

constexpr int HorizontalPixels(int dialog_units, DialogBaseUnits base) {
  return ScaleRounded(dialog_units, base.char_width, 4);
}

constexpr int VerticalPixels(int dialog_units, DialogBaseUnits base) {
  return ScaleRounded(dialog_units, base.char_height, 8);
}

}  // namespace radlyn::platform
