// Window handles for the GTK backend.
//
// On X11 a handle is the X window id of a top-level window, so the handle of one of our windows
// can be given to another program and a client's window id can be checked against the display's
// real windows. On other GDK backends (Wayland) there are no such ids: our windows get handles
// counted from 0x10000, and no foreign window can be named.
#pragma once

#include <gtk/gtk.h>

#include <map>

#include "platform/ui.h"

namespace radlyn::platform {

class WindowHandles {
 public:
  // Realises `window` and hands out its handle; 0 when it has none (the window is not kept).
  WindowHandle Add(GtkWidget* window);
  // The window of one of our handles, else nullptr.
  GtkWidget* Find(WindowHandle handle) const;
  void Remove(WindowHandle handle);

  // True for our own windows and, on X11, for every window of the display.
  bool Exists(WindowHandle handle) const;

 private:
  std::map<WindowHandle, GtkWidget*> windows_;
  WindowHandle next_virtual_ = 0x10000;
};

}  // namespace radlyn::platform
