// The platform layer with one call made to fail: every service of the platform replaced, for the
// object's lifetime, by a wrapper that asks a FaultPlan at each call and either answers that
// method's failure (fault_plan.h) or forwards to the service beneath. Objects the services hand
// out (XML documents and nodes, automation objects) are wrapped the same way, so their calls
// count too. The services beneath are the native ones unless the caller names others (the
// sweep of every call names inert ones where the native service would show or start something).
#pragma once

#include <memory>

#include "fault_once/fault_plan.h"
#include "platform/automation.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/component_system.h"
#include "platform/debug_output.h"
#include "platform/dynamic_library.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/global_memory.h"
#include "platform/named_mutex.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/program_file.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "platform/xml_parser.h"

namespace radlyn::faults {

struct BeneathServices {
  platform::Clock* clock = &platform::Clock::Native();
  platform::FileSystem* files = &platform::FileSystem::Native();
  platform::Automation* automation = &platform::Automation::Native();
  platform::UserInterface* ui = &platform::UserInterface::Native();
};

class FaultyPlatform {
 public:
  FaultyPlatform(FaultPlan& plan, const BeneathServices& beneath);
  ~FaultyPlatform();
  FaultyPlatform(const FaultyPlatform&) = delete;
  FaultyPlatform& operator=(const FaultyPlatform&) = delete;

 private:
  struct Installed;
  std::unique_ptr<Installed> installed_;
};

}  // namespace radlyn::faults
