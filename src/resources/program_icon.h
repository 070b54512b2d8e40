// Icon 128, the program icon: a white molar in a pale X-ray beam on a navy tile.
//
// The icon is kept as drawing data rather than bitmaps, so it comes out sharp at every size a
// desktop asks for (kProgramIconSizes). Coordinates are on a 256 by 256 canvas with the origin at
// the top left; a backend scales them to the size it renders. The steps are executed in order: path
// steps build the current path, kFill and kStroke paint it in a colour (0xRRGGBBAA), and the
// first kMoveTo after a paint step starts a new path (so one outline can be filled, then stroked).
// This header holds data only, so any user-interface backend can include it.
#pragma once

#include <array>
#include <cstdint>

namespace radlyn::resources {

inline constexpr int kProgramIconId = 128;
inline constexpr int kIconCanvasSize = 256;
inline constexpr std::array<int, 7> kProgramIconSizes = {16, 24, 32, 48, 64, 128, 256};

enum class IconStepKind { kMoveTo, kLineTo, kCurveTo, kClosePath, kFill, kStroke };

struct IconStep {
  IconStepKind kind;
  // kMoveTo/kLineTo: x, y. kCurveTo: two control points, then the end point. kStroke: p[0] is
  // the line width (canvas units).
  std::array<float, 6> p{};
  std::uint32_t rgba = 0;  // kFill, kStroke
};

namespace icon_steps {
constexpr IconStep M(float x, float y) { return {IconStepKind::kMoveTo, {x, y}}; }
constexpr IconStep L(float x, float y) { return {IconStepKind::kLineTo, {x, y}}; }
constexpr IconStep C(float x1, float y1, float x2, float y2, float x3, float y3) {
  return {IconStepKind::kCurveTo, {x1, y1, x2, y2, x3, y3}};
}
constexpr IconStep Z() { return {IconStepKind::kClosePath}; }
constexpr IconStep Fill(std::uint32_t rgba) { return {IconStepKind::kFill, {}, rgba}; }
constexpr IconStep Stroke(float width, std::uint32_t rgba) {
  return {IconStepKind::kStroke, {width}, rgba};
}
}  // namespace icon_steps

// The tile is a rounded square (corner radius 40, control offset 40 * 0.55); the beam is a wedge
// from the tube head at the top left, clipped by hand to stay inside the tile; the tooth is a
// two-rooted molar with two cusps.
// clang-format off
inline constexpr auto kProgramIconSteps = [] {
  using namespace icon_steps;
  return std::array{
      // Tile.
      M(48, 8), L(208, 8), C(230, 8, 248, 26, 248, 48), L(248, 208),
      C(248, 230, 230, 248, 208, 248), L(48, 248), C(26, 248, 8, 230, 8, 208), L(8, 48),
      C(8, 26, 26, 8, 48, 8), Z(), Fill(0x17324DFF),
      // Beam, widening from the tube towards the lower right.
      M(58, 58), L(242, 118), L(242, 208), C(242, 227, 227, 242, 208, 242), L(118, 242), Z(),
      Fill(0x8FD8F566),
      // Beam core.
      M(58, 58), L(238, 170), L(170, 238), Z(), Fill(0xBDEBFF59),
      // Tube head, turned towards the tooth.
      M(18, 50), L(50, 18), L(82, 50), L(50, 82), Z(), Fill(0xC9D3DDFF),
      M(50, 82), L(82, 50), L(72, 40), L(40, 72), Z(), Fill(0x7D8B99FF),
      // Molar: filled, then outlined along the same path.
      M(90, 120), C(80, 90, 94, 64, 118, 64), C(130, 64, 134, 76, 140, 76),
      C(146, 76, 150, 64, 162, 64), C(186, 64, 200, 90, 190, 120),
      C(186, 142, 182, 154, 180, 170), C(178, 190, 174, 214, 162, 216),
      C(152, 218, 152, 198, 148, 182), C(145, 170, 135, 170, 132, 182),
      C(128, 198, 128, 218, 118, 216), C(106, 214, 102, 190, 100, 170),
      C(98, 154, 94, 142, 90, 120), Z(), Fill(0xF7F4EAFF), Stroke(7, 0x0B1F33FF),
      // Enamel highlight on the left cusp.
      M(104, 104), C(102, 88, 108, 78, 120, 76), Stroke(7, 0xFFFFFFCC),
  };
}();
// clang-format on

}  // namespace radlyn::resources
