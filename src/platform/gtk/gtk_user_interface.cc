#include "platform/gtk/gtk_user_interface.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "platform/debug_output.h"
#include "platform/gtk/dialog_window.h"
#include "platform/gtk/message_box.h"
#include "platform/gtk/program_icons.h"
#include "platform/gtk/window_handles.h"
#include "platform/gtk/x_errors.h"
#include "resources/program_icon.h"

namespace radlyn::platform {
namespace {

// Fallback when the display reports no monitor at all.
constexpr ScreenSize kFallbackScreenSize = {1024, 768};

bool IsSet(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

// The nested loop of a modal dialog, and whether its window is gone already.
struct ModalRun {
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  bool destroyed = false;
};

gboolean EndOnDelete(GtkWidget*, GdkEvent*, gpointer run) {
  g_main_loop_quit(static_cast<ModalRun*>(run)->loop);
  return TRUE;  // the window is destroyed once the loop has ended
}

gboolean EndOnEscape(GtkWidget*, GdkEventKey* event, gpointer run) {
  if (event->keyval != GDK_KEY_Escape) return FALSE;
  g_main_loop_quit(static_cast<ModalRun*>(run)->loop);
  return TRUE;
}

void EndOnClick(GtkButton*, gpointer run) { g_main_loop_quit(static_cast<ModalRun*>(run)->loop); }

// Another program may destroy the window (on X11 any client can); the dialog then ends too.
void EndOnDestroy(GtkWidget*, gpointer run) {
  static_cast<ModalRun*>(run)->destroyed = true;
  g_main_loop_quit(static_cast<ModalRun*>(run)->loop);
}

class GtkUserInterface final : public UserInterface {
 public:
  void ShowErrorMessage(std::string_view text, std::string_view caption) override {
    ShowErrorBox(text, caption);
  }

  void RunModalDialog(const DialogTemplate& dialog, const std::map<int, std::string>& texts,
                      int icon_id) override {
    const DialogWindow built = BuildDialogWindow(dialog, texts);
    GtkWindow* window = GTK_WINDOW(built.window);
    if (GList* images = icon_id != 0 ? IconImages(icon_id) : nullptr) {
      gtk_window_set_icon_list(window, images);
    }
    gtk_window_set_modal(window, TRUE);

    // The default button, the close box and Escape end the dialog; Enter activates the default
    // button wherever the focus is.
    ModalRun run;
    g_signal_connect(built.window, "delete-event", G_CALLBACK(EndOnDelete), &run);
    g_signal_connect(built.window, "key-press-event", G_CALLBACK(EndOnEscape), &run);
    g_signal_connect(built.window, "destroy", G_CALLBACK(EndOnDestroy), &run);
    g_object_ref(built.window);  // kept alive until the end, even if destroyed meanwhile
    if (built.default_button != nullptr) {
      g_signal_connect(built.default_button, "clicked", G_CALLBACK(EndOnClick), &run);
    }
    gtk_widget_show_all(built.window);
    if (built.default_button != nullptr) gtk_widget_grab_focus(built.default_button);
    gtk_window_present(window);
    g_main_loop_run(run.loop);

    // Destroying the window drops the handlers above; the loop outlives them.
    if (!run.destroyed) gtk_widget_destroy(built.window);
    g_object_unref(built.window);
    g_main_loop_unref(run.loop);
    ProcessPendingEvents();
  }

  std::optional<WindowHandle> CreateModelessDialog(const DialogTemplate& dialog) override {
    const DialogWindow built = BuildDialogWindow(dialog, {});
    GtkWindow* window = GTK_WINDOW(built.window);
    // The system-modal styles make the dialog stay above other programs' windows. It is not
    // made modal within this process: windows it owns must keep their input.
    if (dialog.system_modal) gtk_window_set_keep_above(window, TRUE);
    // A modeless dialog ends when its creator destroys it, not through its close box.
    g_signal_connect(built.window, "delete-event", G_CALLBACK(gtk_true), nullptr);
    gtk_widget_show_all(gtk_bin_get_child(GTK_BIN(window)));

    // Realised but not yet mapped: it appears when brought to the foreground, at the place and
    // size given by then.
    const WindowHandle handle = windows_.Add(built.window);
    if (handle == 0) {
      gtk_widget_destroy(built.window);
      return std::nullopt;
    }
    ProcessPendingEvents();
    return handle;
  }

  void MoveWindow(WindowHandle handle, int x, int y, int width, int height) override {
    GtkWidget* widget = FindOwnWindow(handle);
    if (widget == nullptr) return;
    GtkWindow* window = GTK_WINDOW(widget);
    if (width <= 0 || height <= 0) {
      // An X window cannot be empty: a window asked to have no area keeps one pixel, without a
      // frame and fully transparent where the display composites, so it stays out of sight.
      gtk_window_set_decorated(window, FALSE);
      gtk_widget_set_opacity(widget, 0.0);
    }
    width = std::max(width, 1);
    height = std::max(height, 1);
    gtk_widget_set_size_request(gtk_bin_get_child(GTK_BIN(window)), width, height);
    gtk_window_move(window, x, y);
    gtk_window_resize(window, width, height);
    ProcessPendingEvents();
  }

  void BringToForeground(WindowHandle handle) override {
    GtkWidget* widget = FindOwnWindow(handle);
    if (widget == nullptr) return;
    gtk_widget_show(widget);
    gtk_window_present(GTK_WINDOW(widget));
    ProcessPendingEvents();
  }

  void DestroyWindow(WindowHandle handle) override {
    GtkWidget* widget = FindOwnWindow(handle);
    if (widget == nullptr) return;
    windows_.Remove(handle);
    gtk_widget_destroy(widget);
    ProcessPendingEvents();
  }

  bool IsWindow(WindowHandle handle) override { return windows_.Exists(handle); }

  ScreenSize PrimaryScreenSize() override {
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (monitor == nullptr && gdk_display_get_n_monitors(display) > 0) {
      monitor = gdk_display_get_monitor(display, 0);
    }
    if (monitor == nullptr) return kFallbackScreenSize;
    GdkRectangle area;
    gdk_monitor_get_geometry(monitor, &area);
    return {area.width, area.height};
  }

 private:
  // One of our windows; events are processed first, so a window that another program destroyed
  // meanwhile is known to be gone.
  GtkWidget* FindOwnWindow(WindowHandle handle) {
    ProcessPendingEvents();
    return windows_.Find(handle);
  }

  WindowHandles windows_;
};

UserInterface* Open() {
  if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) return nullptr;
  // X11 first: its window ids are what clients pass as owner windows.
  gdk_set_allowed_backends("x11,wayland");
  // The program formats and parses numbers and dates in the C locale; GTK must not change it.
  gtk_disable_setlocale();
  if (!gtk_init_check(nullptr, nullptr)) {
    WriteDebugOutput("Radlyn: GTK cannot open the display; windows are shown headless\n");
    return nullptr;
  }
  KeepGoingAfterGoneWindows(gdk_display_get_default());
  // Every window of the program carries its icon unless it names another.
  if (GList* images = IconImages(resources::kProgramIconId)) {
    gtk_window_set_default_icon_list(images);
  }
  // Lives until the process ends: its windows must not be torn down after GTK at exit.
  return new GtkUserInterface();
}

}  // namespace

UserInterface* OpenGtkUserInterface() {
  static UserInterface* const ui = Open();
  return ui;
}

}  // namespace radlyn::platform
