// CRadlynApp: the application object. The program's entry calls StartUp and then ShutDown; there
// is no message loop.
//
// StartUp decides whether this process may work (component system usable, no other instance),
// reads the command line, fixes the data folder and the parent window, and then either shows the
// information dialog or, when the job file exists, deletes the old result file, initialises the
// client and runs the job under an owner window. The job's result stays pending until the job is
// over and is then published whole (see CJobFrame), so a process killed during a job leaves no
// result file; a module that crashes it leaves one with error number 99 that names the crash.
// ShutDown shuts the host link down, writes the final report (which changes nothing
// once an error is stored) and answers the exit code, 0. A fault in the teardown after a
// published success (a module that crashes or throws while it is released) leaves that success
// standing, with the fault in its DebugInfo and the event log: the image is there.
//
// A data folder whose expansion does not fit a path buffer is refused with a message box and an
// event-log line; no data folder is set then, so no result file is written anywhere. Anything
// thrown out of start-up is reported with error number 99.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/single_instance_guard.h"
#include "job/job_frame.h"
#include "support/event_log.h"

namespace radlyn {

class CRadlynApp : public CJobFrame {
 public:
  // Points the event log at Morlund's folder for the application's lifetime.
  explicit CRadlynApp(HostLinkPort* link = nullptr);
  ~CRadlynApp() override;

  // `parameters`: the command line's parameters in order, without the program's own name.
  void StartUp(const CSingleInstanceGuard& guard, const std::vector<std::string>& parameters);
  int ShutDown();
  std::int32_t UninitializeHostLink();

 private:
  void RunStartUp(const CSingleInstanceGuard& guard, const std::vector<std::string>& parameters);
  void ShowAboutDialog();
  // Sets the data folder from the `datapath` value; false when its expansion is too long.
  bool SetDataFolderFromParameter(const std::string& value);
  // The client's window when it exists, else the invisible parent dialog (0 when that fails).
  void ChooseOwnerWindow();

  EventLogFolderSource previous_log_folder_;
  std::optional<platform::WindowHandle> parent_dialog_;
};

}  // namespace radlyn
