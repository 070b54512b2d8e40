// Marks a function as one of a module's exports: C linkage, visible from outside the library.
// Everything else in a module stays hidden (the build also restricts the exports to a list).
#pragma once

#define HOSTSIM_EXPORT extern "C" __attribute__((visibility("default")))
