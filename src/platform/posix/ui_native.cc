// The user interface this process uses: GTK when the build has it and a display can be opened
// (DISPLAY or WAYLAND_DISPLAY set and GTK starts), otherwise the headless one. The choice is made
// once, at the first use.
#include "platform/posix/ui_headless.h"

#ifdef RADLYN_HAVE_GTK
#include "platform/gtk/gtk_user_interface.h"
#endif

namespace radlyn::platform {

UserInterface& UserInterface::Native() {
  static UserInterface& user_interface = []() -> UserInterface& {
#ifdef RADLYN_HAVE_GTK
    if (UserInterface* gtk = OpenGtkUserInterface()) return *gtk;
#endif
    static HeadlessUserInterface headless;
    return headless;
  }();
  return user_interface;
}

}  // namespace radlyn::platform
