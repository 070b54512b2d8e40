// The user interface this process uses: the headless one for now.
#include "platform/posix/ui_headless.h"

namespace radlyn::platform {

UserInterface& UserInterface::Native() {
  static HeadlessUserInterface user_interface;
  return user_interface;
}

}  // namespace radlyn::platform
