// The native GlobalMemory service is the base class itself: it forwards to the C functions of
// the shared memory-block library.
#include "platform/global_memory.h"

namespace radlyn::platform {

GlobalMemory& GlobalMemory::Native() {
  static GlobalMemory memory;
  return memory;
}

}  // namespace radlyn::platform
