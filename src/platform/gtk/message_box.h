// The error message box of the GTK backend: modal, without owner, error icon, one OK button.
#pragma once

#include <string_view>

namespace radlyn::platform {

// The caption shown when the caller gives none, as the platform's own error boxes read.
inline constexpr std::string_view kDefaultErrorCaption = "Error";

// Shows `text` (ANSI) and returns once the user has confirmed or closed the box.
void ShowErrorBox(std::string_view text, std::string_view caption);

}  // namespace radlyn::platform
