// The window Morlund's acquisition shows while an exposure runs, owned by the window the caller
// hands to MC_TakeImage, so a test can see which window owns it. One implementation per operating
// system: acquisition_window_win32.cc shows a real window; acquisition_window_posix.cc shows none
// (the Linux tests read the owner from the calls log) and only lets the time pass.
#pragma once

#include <cstdint>

namespace hostsim {

// The title of the acquisition window.
inline constexpr const char* kAcquisitionWindowTitle = "Morlund acquisition";

// Shows the acquisition window, owned by `owner` (a window handle, 0 for none), for
// `milliseconds` while handling the calling thread's messages, then destroys it. Without a window
// (it cannot be made, or there are none on this system) the time passes all the same.
void ShowAcquisitionWindow(std::uint32_t owner, int milliseconds);

}  // namespace hostsim
