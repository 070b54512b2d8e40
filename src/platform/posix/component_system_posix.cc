// Linux has no component runtime to set up: automation goes through the session bus, which each
// call reaches on its own, and nothing keeps component libraries loaded.
#include "platform/component_system.h"

namespace radlyn::platform {
namespace {

class PosixComponentSystem : public ComponentSystem {
 public:
  bool Initialize() override { return true; }
  void FreeUnusedLibraries() override {}
};

}  // namespace

ComponentSystem& ComponentSystem::Native() {
  static PosixComponentSystem component_system;
  return component_system;
}

}  // namespace radlyn::platform
