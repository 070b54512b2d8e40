#include "platform/gtk/program_icons.h"

#include <cairo.h>

#include <map>
#include <span>

#include "resources/program_icon.h"

namespace radlyn::platform {
namespace {

using resources::IconStep;
using resources::IconStepKind;

void SetColour(cairo_t* cr, std::uint32_t rgba) {
  cairo_set_source_rgba(cr, ((rgba >> 24) & 0xFF) / 255.0, ((rgba >> 16) & 0xFF) / 255.0,
                        ((rgba >> 8) & 0xFF) / 255.0, (rgba & 0xFF) / 255.0);
}

void Draw(cairo_t* cr, std::span<const IconStep> steps) {
  bool painted = false;
  for (const IconStep& step : steps) {
    const auto& p = step.p;
    switch (step.kind) {
      case IconStepKind::kMoveTo:
        if (painted) cairo_new_path(cr);
        painted = false;
        cairo_move_to(cr, p[0], p[1]);
        break;
      case IconStepKind::kLineTo:
        cairo_line_to(cr, p[0], p[1]);
        break;
      case IconStepKind::kCurveTo:
        cairo_curve_to(cr, p[0], p[1], p[2], p[3], p[4], p[5]);
        break;
      case IconStepKind::kClosePath:
        cairo_close_path(cr);
        break;
      case IconStepKind::kFill:
        SetColour(cr, step.rgba);
        cairo_fill_preserve(cr);
        painted = true;
        break;
      case IconStepKind::kStroke:
        SetColour(cr, step.rgba);
        cairo_set_line_width(cr, p[0]);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_stroke_preserve(cr);
        painted = true;
        break;
    }
  }
}

GdkPixbuf* Render(std::span<const IconStep> steps, int size) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(surface);
  const double scale = static_cast<double>(size) / resources::kIconCanvasSize;
  cairo_scale(cr, scale, scale);
  Draw(cr, steps);
  cairo_destroy(cr);
  GdkPixbuf* pixbuf = gdk_pixbuf_get_from_surface(surface, 0, 0, size, size);
  cairo_surface_destroy(surface);
  return pixbuf;
}

GList* RenderAllSizes(std::span<const IconStep> steps) {
  GList* images = nullptr;
  for (int size : resources::kProgramIconSizes) {
    if (GdkPixbuf* pixbuf = Render(steps, size)) images = g_list_append(images, pixbuf);
  }
  return images;
}

}  // namespace

GList* IconImages(int icon_id) {
  // Icons by id, as the program's resources hold them.
  static const std::map<int, std::span<const IconStep>> kIcons = {
      {resources::kProgramIconId, resources::kProgramIconSteps},
  };
  static std::map<int, GList*> rendered;
  const auto icon = kIcons.find(icon_id);
  if (icon == kIcons.end()) return nullptr;
  GList*& images = rendered[icon_id];
  if (images == nullptr) images = RenderAllSizes(icon->second);
  return images;
}

}  // namespace radlyn::platform
