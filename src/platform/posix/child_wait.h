// How the Linux process service waits for a child to end: on the child's pidfd where the kernel
// offers one (Linux 5.3 and later), otherwise on a thread of its own blocked until the child has
// ended. Both wake when the child ends; neither sleeps in steps. Tests build a service that
// waits on the thread only, to run that way on any kernel.
#pragma once

#include <memory>

#include "platform/process.h"

namespace radlyn::platform {

enum class ChildWait { kPidFdWhereAvailable, kWaiterThread };

std::unique_ptr<Processes> MakePosixProcesses(ChildWait wait);

}  // namespace radlyn::platform
