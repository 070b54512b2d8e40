// GTK windows laid out from DialogTemplate data.
//
// The window's client area and every control are placed in pixels converted from dialog units
// with the base units of the template's font (measured through Pango on the window's screen).
// The font is applied to the window and all its controls. Texts are in the ANSI code page and
// converted for GTK; `texts` replaces the texts of controls by id.
#pragma once

#include <gtk/gtk.h>

#include <map>
#include <string>

#include "platform/ui.h"

namespace radlyn::platform {

struct DialogWindow {
  GtkWidget* window = nullptr;          // a top-level GtkWindow, not yet shown
  GtkWidget* default_button = nullptr;  // nullptr when the template has none
};

DialogWindow BuildDialogWindow(const DialogTemplate& dialog,
                               const std::map<int, std::string>& texts);

// An ANSI text as GTK takes it (UTF-8).
std::string ToDisplayText(std::string_view ansi);

// Processes what is pending for the display, so that windows appear or vanish before the caller
// goes on (the program has no message loop of its own).
void ProcessPendingEvents();

}  // namespace radlyn::platform
