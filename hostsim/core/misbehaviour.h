// A module call that fails the way a faulty Morlund module does: it crashes the process or never
// returns. Switched per module in hostsim.ini (`Crash`, `Hang`); either writes the call's line
// to the calls log first, with the result "crash" or "hanging", so a test sees the call reached.
#pragma once

#include <string_view>

#include "call_log.h"
#include "switches.h"

namespace hostsim {

// With `Crash`=1 in `section`: a store through a wild pointer, a segmentation fault (an access
// violation on Windows) that nothing in the process handles. With `Hang`=1: a wait without end.
// Otherwise returns at once.
void CrashOrHangWhenSwitched(const Switches& switches, std::string_view section, LogLine line);

// The same by a number: 1 crashes, 2 hangs, anything else returns at once.
void CrashOrHangBy(int how, const Switches& switches, LogLine line);

}  // namespace hostsim
