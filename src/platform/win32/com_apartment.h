// Makes sure the calling thread can use COM before a backend creates or calls objects: the
// native component system is initialised (once per thread), as the program does at start-up.
// Programs other than radlyn (the test programs) thereby need no set-up of their own.
#pragma once

#include "platform/component_system.h"

namespace radlyn::platform::win32 {

// A failure is left to the COM call that follows, which then reports it.
inline void EnsureComApartment() { ComponentSystem::Native().Initialize(); }

}  // namespace radlyn::platform::win32
