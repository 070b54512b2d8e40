#include "resources/rcgen/icon_rasterizer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace radlyn::rcgen {
namespace {

using resources::IconStep;
using resources::IconStepKind;

constexpr int kSubRows = 16;                 // coverage samples per pixel row
constexpr double kFlatness = 0.1;            // pixels a flattened curve may stray from the curve
constexpr int kMaxCurveDepth = 12;           // subdivisions of one curve, at most
constexpr double kDiscSegmentLength = 0.75;  // pixels per side of a flattened disc

struct Point {
  double x = 0, y = 0;
};

Point Mid(Point a, Point b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }

struct Contour {
  std::vector<Point> points;
  bool closed = false;
};

using Ring = std::vector<Point>;  // a closed polygon

double DistanceToLine(Point p, Point a, Point b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double length = std::hypot(dx, dy);
  if (length == 0) return std::hypot(p.x - a.x, p.y - a.y);
  return std::abs((p.x - a.x) * dy - (p.y - a.y) * dx) / length;
}

// Appends the points of the cubic curve p0..p3 after p0, splitting it in halves until both
// control points lie within kFlatness of the chord.
void FlattenCubic(Point p0, Point p1, Point p2, Point p3, int depth, std::vector<Point>& out) {
  if (depth >= kMaxCurveDepth ||
      std::max(DistanceToLine(p1, p0, p3), DistanceToLine(p2, p0, p3)) <= kFlatness) {
    out.push_back(p3);
    return;
  }
  const Point p01 = Mid(p0, p1), p12 = Mid(p1, p2), p23 = Mid(p2, p3);
  const Point p012 = Mid(p01, p12), p123 = Mid(p12, p23);
  const Point middle = Mid(p012, p123);
  FlattenCubic(p0, p01, p012, middle, depth + 1, out);
  FlattenCubic(middle, p123, p23, p3, depth + 1, out);
}

double SignedArea(const Ring& ring) {
  double twice = 0;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const Point a = ring[i], b = ring[(i + 1) % ring.size()];
    twice += a.x * b.y - b.x * a.y;
  }
  return twice / 2;
}

// Gives every ring the same orientation, so that the non-zero rule fills their union.
void Orient(std::vector<Ring>& rings) {
  for (Ring& ring : rings) {
    if (SignedArea(ring) < 0) std::reverse(ring.begin(), ring.end());
  }
}

std::vector<Ring> StrokeOutline(const std::vector<Contour>& contours, double width) {
  const double radius = width / 2;
  const int disc_sides =
      std::max(8, static_cast<int>(std::ceil(2 * std::numbers::pi * radius / kDiscSegmentLength)));
  std::vector<Ring> rings;
  for (const Contour& contour : contours) {
    const std::vector<Point>& p = contour.points;
    const std::size_t segments = contour.closed ? p.size() : p.size() - 1;
    for (std::size_t i = 0; i < segments && p.size() > 1; ++i) {
      const Point a = p[i], b = p[(i + 1) % p.size()];
      const double length = std::hypot(b.x - a.x, b.y - a.y);
      if (length == 0) continue;
      const double nx = -(b.y - a.y) / length * radius, ny = (b.x - a.x) / length * radius;
      rings.push_back(
          {{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}});
    }
    for (const Point centre : p) {
      Ring disc;
      for (int side = 0; side < disc_sides; ++side) {
        const double angle = 2 * std::numbers::pi * side / disc_sides;
        disc.push_back({centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)});
      }
      rings.push_back(std::move(disc));
    }
  }
  Orient(rings);
  return rings;
}

std::vector<Ring> FillOutline(const std::vector<Contour>& contours) {
  std::vector<Ring> rings;
  for (const Contour& contour : contours) {
    if (contour.points.size() >= 3) rings.push_back(contour.points);
  }
  return rings;
}

struct Edge {
  Point from, to;
  int direction;  // +1 downwards, -1 upwards
};

// The fraction of each pixel that the rings cover under the non-zero rule.
std::vector<float> Coverage(const std::vector<Ring>& rings, int size) {
  std::vector<Edge> edges;
  for (const Ring& ring : rings) {
    for (std::size_t i = 0; i < ring.size(); ++i) {
      const Point a = ring[i], b = ring[(i + 1) % ring.size()];
      if (a.y == b.y) continue;
      edges.push_back(a.y < b.y ? Edge{a, b, 1} : Edge{b, a, -1});
    }
  }
  std::vector<float> coverage(static_cast<std::size_t>(size) * size, 0.0f);
  std::vector<std::pair<double, int>> crossings;
  for (int row = 0; row < size; ++row) {
    float* cells = &coverage[static_cast<std::size_t>(row) * size];
    for (int sub = 0; sub < kSubRows; ++sub) {
      const double y = row + (sub + 0.5) / kSubRows;
      crossings.clear();
      for (const Edge& e : edges) {
        if (y < e.from.y || y >= e.to.y) continue;
        const double x = e.from.x + (y - e.from.y) * (e.to.x - e.from.x) / (e.to.y - e.from.y);
        crossings.emplace_back(x, e.direction);
      }
      std::sort(crossings.begin(), crossings.end());
      int winding = 0;
      double span_start = 0;
      for (const auto& [x, direction] : crossings) {
        const int before = winding;
        winding += direction;
        if (before == 0 && winding != 0) span_start = x;
        if (before == 0 || winding != 0) continue;
        // The span [span_start, x), clipped to the row, adds its exact width to each cell.
        const double left = std::clamp(span_start, 0.0, static_cast<double>(size));
        const double right = std::clamp(x, 0.0, static_cast<double>(size));
        if (right <= left) continue;
        const int first = static_cast<int>(left), last = static_cast<int>(right);
        constexpr float kWeight = 1.0f / kSubRows;
        if (first == last) {
          cells[first] += static_cast<float>(right - left) * kWeight;
          continue;
        }
        cells[first] += static_cast<float>(first + 1 - left) * kWeight;
        for (int cell = first + 1; cell < last; ++cell) cells[cell] += kWeight;
        if (last < size) cells[last] += static_cast<float>(right - last) * kWeight;
      }
    }
  }
  return coverage;
}

// Premultiplied RGBA in [0, 1].
class Canvas {
 public:
  explicit Canvas(int size) : size_(size), pixels_(static_cast<std::size_t>(size) * size * 4) {}

  void Paint(const std::vector<Ring>& rings, std::uint32_t rgba) {
    const double colour[3] = {((rgba >> 24) & 0xFF) / 255.0, ((rgba >> 16) & 0xFF) / 255.0,
                              ((rgba >> 8) & 0xFF) / 255.0};
    const double alpha = (rgba & 0xFF) / 255.0;
    const std::vector<float> coverage = Coverage(rings, size_);
    for (std::size_t i = 0; i < coverage.size(); ++i) {
      const double a = alpha * std::min(1.0f, coverage[i]);
      if (a <= 0) continue;
      double* pixel = &pixels_[i * 4];
      for (int c = 0; c < 3; ++c) pixel[c] = colour[c] * a + pixel[c] * (1 - a);
      pixel[3] = a + pixel[3] * (1 - a);
    }
  }

  RgbaImage Image() const {
    RgbaImage image{size_, std::vector<std::uint8_t>(pixels_.size())};
    const auto to_byte = [](double value) {
      return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255));
    };
    for (std::size_t i = 0; i < pixels_.size(); i += 4) {
      const double a = pixels_[i + 3];
      for (int c = 0; c < 3; ++c) image.rgba[i + c] = a > 0 ? to_byte(pixels_[i + c] / a) : 0;
      image.rgba[i + 3] = to_byte(a);
    }
    return image;
  }

 private:
  int size_;
  std::vector<double> pixels_;
};

}  // namespace

RgbaImage RasterizeIcon(std::span<const IconStep> steps, int size) {
  const double scale = static_cast<double>(size) / resources::kIconCanvasSize;
  Canvas canvas(size);
  std::vector<Contour> path;
  bool painted = false;
  // A line or curve after a closed contour starts a new one at that contour's first point.
  const auto current = [&path]() -> Contour& {
    if (path.back().closed) path.push_back({{path.back().points.front()}, false});
    return path.back();
  };
  for (const IconStep& step : steps) {
    const auto& p = step.p;
    const auto at = [&p, scale](int i) { return Point{p[i] * scale, p[i + 1] * scale}; };
    switch (step.kind) {
      case IconStepKind::kMoveTo:
        if (painted) path.clear();
        painted = false;
        path.push_back({{at(0)}, false});
        break;
      case IconStepKind::kLineTo:
        if (path.empty()) path.push_back({{}, false});
        current().points.push_back(at(0));
        break;
      case IconStepKind::kCurveTo: {
        if (path.empty()) path.push_back({{at(0)}, false});
        Contour& contour = current();
        FlattenCubic(contour.points.back(), at(0), at(2), at(4), 0, contour.points);
        break;
      }
      case IconStepKind::kClosePath:
        if (!path.empty() && !path.back().points.empty()) path.back().closed = true;
        break;
      case IconStepKind::kFill:
        canvas.Paint(FillOutline(path), step.rgba);
        painted = true;
        break;
      case IconStepKind::kStroke:
        canvas.Paint(StrokeOutline(path, p[0] * scale), step.rgba);
        painted = true;
        break;
    }
  }
  return canvas.Image();
}

}  // namespace radlyn::rcgen
