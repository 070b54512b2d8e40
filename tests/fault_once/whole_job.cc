#include "fault_once/whole_job.h"

#include <memory>

#include "app/radlyn_app.h"
#include "app/single_instance_guard.h"
#include "hostlink/morlund_link.h"
#include "job/host_link_port.h"
#include "platform/code_page.h"
#include "platform/last_error.h"

namespace radlyn::faults {

void RunWholeJob(const std::vector<std::string>& arguments,
                 const std::function<void()>& at_teardown) {
  platform::SetLastErrorCode(0);
  auto link = std::make_unique<CMorlundLink>();
  const std::unique_ptr<HostLinkPort> port = NewHostLinkPort(*link);
  // Built in the entry's order, torn down in reverse: the link (built during start-up) first.
  CRadlynApp app(port.get());
  CSingleInstanceGuard guard;
  try {
    std::vector<std::string> parameters;
#ifdef _WIN32
    parameters = arguments;
#else
    for (const std::string& argument : arguments) {
      parameters.push_back(platform::GetCodePages().Utf8ToAnsi(argument));
    }
#endif
    app.StartUp(guard, parameters);
  } catch (...) {
  }
  if (at_teardown) at_teardown();
  try {
    app.ShutDown();
  } catch (...) {
  }
  link.reset();
}

}  // namespace radlyn::faults
