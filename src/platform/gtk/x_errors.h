// On X11 any client may destroy one of the program's windows (the client's owner window, a
// dialog closed by another program). Requests GDK has already queued for such a window then fail
// with BadWindow or BadDrawable, and GDK's own error handler ends the process with exit code 1:
// a job would end without its result. KeepGoingAfterGoneWindows installs a handler that ignores
// those two errors (the window's "destroy" signal follows and ends what used it) and hands every
// other error to GDK's handler. Call it once, after GTK opened an X11 display; elsewhere it does
// nothing.
#pragma once

#include <gdk/gdk.h>

namespace radlyn::platform {

void KeepGoingAfterGoneWindows(GdkDisplay* display);

}  // namespace radlyn::platform
