#include "platform/gtk/dialog_window.h"

#include <string_view>

#include "platform/code_page.h"
#include "platform/gtk/dialog_text.h"
#include "platform/gtk/dialog_units.h"

namespace radlyn::platform {
namespace {

// The fill of grey-rectangle controls (separator lines).
constexpr double kGreyRectangleShade = 160.0 / 255.0;

std::string CssString(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    if (c != '\n' && c != '\r') quoted += c;
  }
  return quoted + "\"";
}

// The dialog's font for its window and every control, and controls that take exactly the size
// the layout gives them (the theme's padding and minimum sizes would otherwise grow buttons past
// their rectangle).
std::string DialogCss(const std::string& widget_name, const DialogTemplate& dialog) {
  const std::string self = "#" + widget_name;
  std::string css = self + ", " + self +
                    " * { font-family: " + CssString(ToDisplayText(dialog.font_name)) +
                    "; font-size: " + std::to_string(dialog.font_points) + "pt; }\n";
  css += self + " button { padding: 0 4px; min-height: 0; min-width: 0; }\n";
  css += self + " label { padding: 0; margin: 0; }\n";
  return css;
}

void InstallCss(GtkWidget* window, const std::string& css) {
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, css.data(), static_cast<gssize>(css.size()), nullptr);
  GdkScreen* screen = gtk_widget_get_screen(window);
  gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  // The rules name this window only; they go when it does.
  g_signal_connect_data(
      window, "destroy", G_CALLBACK(+[](GtkWidget* widget, gpointer data) {
        gtk_style_context_remove_provider_for_screen(gtk_widget_get_screen(widget),
                                                     GTK_STYLE_PROVIDER(data));
      }),
      provider, [](gpointer data, GClosure*) { g_object_unref(data); }, GConnectFlags{});
}

DialogBaseUnits MeasureBaseUnits(GtkWidget* window, const DialogTemplate& dialog) {
  PangoFontDescription* font = pango_font_description_new();
  const std::string family = ToDisplayText(dialog.font_name);
  pango_font_description_set_family(font, family.c_str());
  pango_font_description_set_size(font, dialog.font_points * PANGO_SCALE);

  const std::string sample(kAverageWidthSample);
  PangoLayout* layout = gtk_widget_create_pango_layout(window, sample.c_str());
  pango_layout_set_font_description(layout, font);
  int sample_width = 0;
  pango_layout_get_pixel_size(layout, &sample_width, nullptr);

  PangoFontMetrics* metrics =
      pango_context_get_metrics(pango_layout_get_context(layout), font, nullptr);
  const int height = PANGO_PIXELS(pango_font_metrics_get_ascent(metrics) +
                                  pango_font_metrics_get_descent(metrics));
  pango_font_metrics_unref(metrics);
  g_object_unref(layout);
  pango_font_description_free(font);
  return BaseUnitsFromSample(sample_width, height);
}

gboolean DrawGreyRectangle(GtkWidget* widget, cairo_t* cr, gpointer) {
  cairo_set_source_rgb(cr, kGreyRectangleShade, kGreyRectangleShade, kGreyRectangleShade);
  cairo_rectangle(cr, 0, 0, gtk_widget_get_allocated_width(widget),
                  gtk_widget_get_allocated_height(widget));
  cairo_fill(cr);
  return TRUE;
}

GtkWidget* MakeLabel(const std::string& text) {
  GtkWidget* label = gtk_label_new_with_mnemonic(ToMnemonicText(text).c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
  return label;
}

GtkWidget* MakeControl(const DialogControl& control, const std::string& text) {
  switch (control.kind) {
    case ControlKind::kDefaultButton: {
      GtkWidget* button = gtk_button_new_with_mnemonic(ToMnemonicText(text).c_str());
      gtk_widget_set_can_default(button, TRUE);
      return button;
    }
    case ControlKind::kStaticText:
      return MakeLabel(text);
    case ControlKind::kGreyRectangle: {
      GtkWidget* area = gtk_drawing_area_new();
      g_signal_connect(area, "draw", G_CALLBACK(DrawGreyRectangle), nullptr);
      return area;
    }
  }
  return nullptr;
}

}  // namespace

std::string ToDisplayText(std::string_view ansi) {
  std::string utf8 = GetCodePages().AnsiToUtf8(ansi);
  if (!g_utf8_validate(utf8.data(), static_cast<gssize>(utf8.size()), nullptr)) {
    gchar* valid = g_utf8_make_valid(utf8.data(), static_cast<gssize>(utf8.size()));
    utf8 = valid;
    g_free(valid);
  }
  return utf8;
}

DialogWindow BuildDialogWindow(const DialogTemplate& dialog,
                               const std::map<int, std::string>& texts) {
  DialogWindow built;
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  built.window = window;
  const std::string widget_name = "radlyn-dialog-" + std::to_string(dialog.id);
  gtk_widget_set_name(window, widget_name.c_str());
  InstallCss(window, DialogCss(widget_name, dialog));
  gtk_window_set_title(GTK_WINDOW(window), ToDisplayText(dialog.title).c_str());
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(window), dialog.in_taskbar ? FALSE : TRUE);
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);

  const DialogBaseUnits base_units = MeasureBaseUnits(window, dialog);
  const auto x_pixels = [&](int units) { return HorizontalPixels(units, base_units); };
  const auto y_pixels = [&](int units) { return VerticalPixels(units, base_units); };

  GtkWidget* client_area = gtk_fixed_new();
  gtk_widget_set_size_request(client_area, x_pixels(dialog.width), y_pixels(dialog.height));
  gtk_container_add(GTK_CONTAINER(window), client_area);

  for (const DialogControl& control : dialog.controls) {
    const auto replaced = control.id >= 0 ? texts.find(control.id) : texts.end();
    const std::string ansi = replaced != texts.end() ? replaced->second : control.text;
    GtkWidget* widget = MakeControl(control, ToDisplayText(ansi));
    if (widget == nullptr) continue;
    gtk_widget_set_size_request(widget, x_pixels(control.width), y_pixels(control.height));
    gtk_fixed_put(GTK_FIXED(client_area), widget, x_pixels(control.x), y_pixels(control.y));
    if (control.kind == ControlKind::kDefaultButton && built.default_button == nullptr) {
      built.default_button = widget;
      gtk_window_set_default(GTK_WINDOW(window), widget);
    }
  }
  return built;
}

void ProcessPendingEvents() {
  // The round trip makes the server carry out every request and queue its answers first.
  if (GdkDisplay* display = gdk_display_get_default()) gdk_display_sync(display);
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

}  // namespace radlyn::platform
