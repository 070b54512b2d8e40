// A module call that fails the way a faulty Morlund module does: it crashes the process or never
// returns. Switched per module in hostsim.ini (`Crash`, `Hang`); either writes the call's line
// to the calls log first, with the result "crash" or "hanging", so a test sees the call reached.
// And a module call that returns but leaves behind what a careless module does (Windows only:
// the direction flag set, the floating-point control changed, words written past its declared
// parameters, its own unhandled-exception filter in the process).
#pragma once

#include <cstdint>
#include <string_view>

#include "call_log.h"
#include "switches.h"

namespace hostsim {

// With `Crash`=1 in `section`: a store through a wild pointer, a segmentation fault (an access
// violation on Windows) that nothing in the process handles; 2: a recursion without end that
// overflows the thread's stack; 3: that store on two threads at once. With `Hang`=1: a wait
// without end. Otherwise returns at once.
void CrashOrHangWhenSwitched(const Switches& switches, std::string_view section, LogLine line);

// What a call of `section` leaves behind on its return (`DirectionFlag`, `FloatControl`,
// `WritePastParameters`).
struct CarelessReturn {
  bool direction_flag = false;
  bool float_control = false;
  int words_past_parameters = 0;  // at most 32
};
CarelessReturn CarelessReturnSwitched(const Switches& switches, std::string_view section);

// Writes `words` words past the parameter at `last_parameter`, into the caller's stack, as a
// function declared with more parameters would. Nothing on Linux (the arguments travel in
// registers there).
void WritePastParameters(std::uint32_t* last_parameter, int words);
// Sets the direction flag and changes the x87 control word and MXCSR as switched. The caller
// returns right after it, without touching memory. Nothing on Linux.
void LeaveCallStateChanged(const CarelessReturn& careless);

// With `OwnFilter`=1 in `section`: puts the module's own unhandled-exception filter in place,
// one that ends the process at once with exit code 3 and no report. Nothing on Linux.
void InstallOwnFilterWhenSwitched(const Switches& switches, std::string_view section);

// The same by a number: 1 crashes, 2 hangs, anything else returns at once.
void CrashOrHangBy(int how, const Switches& switches, LogLine line);

}  // namespace hostsim
