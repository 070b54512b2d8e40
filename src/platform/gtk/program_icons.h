// The program's icons as GTK images.
//
// Icons are drawn from the drawing data in src/resources/ at each size a desktop asks for. A list
// is rendered once per process and kept; the caller must not free it.
#pragma once

#include <gtk/gtk.h>

namespace radlyn::platform {

// One GdkPixbuf per size, smallest first; nullptr for an unknown icon id.
GList* IconImages(int icon_id);

}  // namespace radlyn::platform
