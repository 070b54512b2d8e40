// The GTK 3 backend of UserInterface: real windows on the user's display.
//
// OpenGtkUserInterface opens the display named by DISPLAY (X11, preferred: window handles are then
// the X window ids a client passes as its owner window) or WAYLAND_DISPLAY. It answers nullptr
// when neither is set or GTK cannot open the display; the caller then falls back to the headless
// backend. GTK is initialised at most once per process and leaves the process locale alone.
#pragma once

#include "platform/ui.h"

namespace radlyn::platform {

UserInterface* OpenGtkUserInterface();

}  // namespace radlyn::platform
