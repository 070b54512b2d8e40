#include "platform/gtk/x_errors.h"

#include <X11/Xlib.h>
#include <gdk/gdkx.h>

namespace radlyn::platform {
namespace {

XErrorHandler gdk_handler = nullptr;

int IgnoreErrorsOfGoneWindows(Display* display, XErrorEvent* error) {
  // A synchronous request on such a window still sees its failure in its return value.
  if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
  return gdk_handler != nullptr ? gdk_handler(display, error) : 0;
}

}  // namespace

void KeepGoingAfterGoneWindows(GdkDisplay* display) {
  if (display == nullptr || !GDK_IS_X11_DISPLAY(display) || gdk_handler != nullptr) return;
  gdk_handler = XSetErrorHandler(IgnoreErrorsOfGoneWindows);
}

}  // namespace radlyn::platform
