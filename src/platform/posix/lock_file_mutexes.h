// The Linux named mutexes, built with the call that takes the lock: flock in the program, a
// stand-in that fails in tests (a file system without locks cannot be had on demand).
#pragma once

#include <memory>

#include "platform/named_mutex.h"

namespace radlyn::platform {

// Called like flock(fd, operation): 0 on success, -1 with errno set on failure.
using LockCall = int (*)(int fd, int operation);

std::unique_ptr<NamedMutexes> MakeLockFileMutexes(LockCall lock);

}  // namespace radlyn::platform
