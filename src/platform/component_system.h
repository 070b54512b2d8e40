// The component system that automation calls and the XML parser stand on (COM on Windows).
// Initialize sets it up together with a message filter whose busy dialogs are switched off; on
// Linux there is nothing to initialise beyond checking that the platform is usable.
#pragma once

#include "platform/service.h"

namespace radlyn::platform {

class ComponentSystem {
 public:
  virtual ~ComponentSystem() = default;
  // False when the component system cannot be used at all.
  virtual bool Initialize() = 0;
  // Lets the platform unload component libraries no longer in use.
  virtual void FreeUnusedLibraries() = 0;
  // Ends what a successful Initialize began on this thread (nothing otherwise), once every
  // object of the component system has been released.
  virtual void Uninitialize() {}

  static ComponentSystem& Native();
};

inline ComponentSystem& GetComponentSystem() { return Service<ComponentSystem>::Get(); }

}  // namespace radlyn::platform
