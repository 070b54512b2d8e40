#include "platform/gtk/window_handles.h"

#include <gdk/gdkx.h>

namespace radlyn::platform {
namespace {

bool IsX11(GdkDisplay* display) { return display != nullptr && GDK_IS_X11_DISPLAY(display); }

constexpr char kHandleKey[] = "radlyn-window-handle";

// A window may be destroyed by another program (on X11 any client can): its handle goes with it.
void ForgetOnDestroy(GtkWidget* window, gpointer table) {
  const auto handle =
      static_cast<WindowHandle>(GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(window), kHandleKey)));
  static_cast<WindowHandles*>(table)->Remove(handle);
}

}  // namespace

WindowHandle WindowHandles::Add(GtkWidget* window) {
  gtk_widget_realize(window);
  GdkWindow* gdk_window = gtk_widget_get_window(window);
  if (gdk_window == nullptr) return 0;
  WindowHandle handle = 0;
  if (IsX11(gdk_window_get_display(gdk_window))) {
    // X window ids use 29 bits, so they always fit a 32-bit handle.
    handle = static_cast<WindowHandle>(GDK_WINDOW_XID(gdk_window));
  } else {
    handle = next_virtual_++;
  }
  if (handle == 0) return 0;
  windows_[handle] = window;
  g_object_set_data(G_OBJECT(window), kHandleKey, GUINT_TO_POINTER(handle));
  g_signal_connect(window, "destroy", G_CALLBACK(ForgetOnDestroy), this);
  return handle;
}

GtkWidget* WindowHandles::Find(WindowHandle handle) const {
  const auto window = windows_.find(handle);
  return window == windows_.end() ? nullptr : window->second;
}

void WindowHandles::Remove(WindowHandle handle) { windows_.erase(handle); }

bool WindowHandles::Exists(WindowHandle handle) const {
  if (handle == 0) return false;
  if (windows_.count(handle) != 0) return true;
  GdkDisplay* display = gdk_display_get_default();
  if (!IsX11(display)) return false;
  // Asks the X server about the id with an error trap, so an id that names no window answers
  // nullptr instead of ending the program with an X error.
  GdkWindow* foreign = gdk_x11_window_foreign_new_for_display(display, handle);
  if (foreign == nullptr) return false;
  // GDK may still hold the wrapper of a window destroyed a moment ago.
  const bool exists = !gdk_window_is_destroyed(foreign);
  g_object_unref(foreign);
  return exists;
}

}  // namespace radlyn::platform
