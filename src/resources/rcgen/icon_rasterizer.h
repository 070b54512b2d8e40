// Renders an icon's drawing steps (resources/program_icon.h) into a square RGBA image.
//
// Paths are flattened into polygons (cubic curves subdivided until they deviate less than a
// tenth of a pixel from their chords) and filled by the non-zero winding rule. Coverage is exact
// across a scanline and sampled at 16 heights per pixel row, so edges come out anti-aliased.
// Strokes are the union of one rectangle per segment and one disc per point, which gives round
// joins and caps. Paint is composited source-over; the image holds straight (not premultiplied)
// alpha, as an icon file wants it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "resources/program_icon.h"

namespace radlyn::rcgen {

struct RgbaImage {
  int size = 0;                    // width and height in pixels
  std::vector<std::uint8_t> rgba;  // size * size pixels, rows top to bottom, R G B A
};

// `size` > 0; the steps are drawn on a canvas of resources::kIconCanvasSize scaled to `size`.
RgbaImage RasterizeIcon(std::span<const resources::IconStep> steps, int size);

}  // namespace radlyn::rcgen
