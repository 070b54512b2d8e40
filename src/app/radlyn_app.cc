#include "app/radlyn_app.h"

#include <cstdio>
#include <string>

#include "app/about_dialog.h"
#include "app/command_line_info.h"
#include "hostlink/module_function.h"
#include "hostlink/morlund_folder.h"
#include "job/error_table.h"
#include "platform/component_system.h"
#include "platform/crash_report.h"
#include "platform/crash_result.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/ui.h"
#include "resources/dialog_templates.h"
#include "resources/string_table.h"

namespace radlyn {
namespace {

// The program file's name without folder and extension: the caption of start-up's message boxes.
std::string ProgramTitle() {
  std::string path = platform::GetFileSystem().ProgramFilePath();
  std::size_t start = path.size();
  while (start > 0 && !platform::IsPathSeparator(path[start - 1])) --start;
  std::string name = path.substr(start);
  std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

// The application whose job a crash ends (one per process).
CRadlynApp* crashing_job = nullptr;

// An exception that nothing handled, most likely inside one of Morlund's modules: the job ends
// with a result that says so, as any unexpected failure does, and the event log names the dump.
// It runs on the crash reporter's thread while the faulted thread waits; the job frame's result
// writes take turns with the main thread's (a published success stays, see CJobFrame).
void ReportCrash(const platform::CrashReport& report) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(report.code));
  std::string text = std::string("Unhandled exception ") + code + " in " +
                     (report.faulting_module.empty() ? "unknown code" : report.faulting_module);
  const char* module = ModuleInCall();
  if (module != nullptr && *module != '\0') text += std::string(" during a call into ") + module;
  if (crashing_job != nullptr) crashing_job->WriteErrorReport(kErrorUnspecified, text);
  WriteEventLog("Error", report.dump_path.empty() ? text + "; no crash dump could be written"
                                                  : text + "; crash dump: " + report.dump_path);
  if (crashing_job != nullptr) crashing_job->PublishResult();
}

}  // namespace

CRadlynApp::CRadlynApp(HostLinkPort* link)
    : CJobFrame(link), previous_log_folder_(SetEventLogFolderSource(&GetMorlundFolder)) {}

CRadlynApp::~CRadlynApp() {
  if (crashing_job == this) crashing_job = nullptr;
  SetEventLogFolderSource(previous_log_folder_);
}

void CRadlynApp::StartUp(const CSingleInstanceGuard& guard,
                         const std::vector<std::string>& parameters) {
  crashing_job = this;
  platform::InstallCrashReporter(&ReportCrash);
  // Where a crash cannot report from a thread of its own (Linux), the job keeps its crash result
  // ready instead.
  platform::InstallCrashResultWriter(&ModuleInCall);
  PrepareCrashResult();
  try {
    RunStartUp(guard, parameters);
  } catch (...) {
    // Client initialisation may already have reported success; whatever escaped afterwards
    // (the owner window, for one) must not leave that report standing.
    WriteErrorReport(kErrorUnspecified, "Unknown exception occured during start-up");
  }
  // The job is over, however it ended: its result reaches the client in one piece, before the
  // teardown, so that a teardown that dies cannot take a finished job's answer with it.
  PublishResult();
}

void CRadlynApp::RunStartUp(const CSingleInstanceGuard& guard,
                            const std::vector<std::string>& parameters) {
  // The component system comes up with its message filter's busy dialogs switched off, so calls
  // into other processes' automation objects never show them.
  if (!platform::GetComponentSystem().Initialize()) {
    platform::GetUserInterface().ShowErrorMessage(LoadResourceString(kIdsOleInitFailed),
                                                  ProgramTitle());
    return;
  }
  if (guard.IsAnotherInstanceRunning()) return;

  CRadlynCommandLineInfo command_line;
  for (const std::string& parameter : parameters) command_line.ParseParam(parameter);
  if (command_line.IsHelpRequested()) {
    ShowAboutDialog();
    return;
  }

  SetParentWindow(ParseParentWindow(command_line.GetParameterValue("parentwnd")));
  if (!SetDataFolderFromParameter(command_line.GetParameterValue("datapath"))) return;

  platform::FileSystem& files = platform::GetFileSystem();
  if (!files.Exists(GetJobFilePath())) {
    ShowAboutDialog();
    return;
  }
  // An earlier job's result that stays would answer for this one: no exposure then.
  if (!RemoveOldResult()) return;
  if (!BeginResult()) return;
  if (InitializeClient() != kErrorNone) return;
  // No exposure when its outcome could not reach the client.
  if (ResultWriteFailed()) return;

  ChooseOwnerWindow();
  RunAcquisitionJob();
  if (parent_dialog_) {
    platform::GetUserInterface().DestroyWindow(*parent_dialog_);
    parent_dialog_.reset();
  }
}

int CRadlynApp::ShutDown() {
  PublishResult();  // once more, should start-up have been cut short or its publishing failed
  UninitializeHostLink();
  platform::GetComponentSystem().FreeUnusedLibraries();
  platform::GetComponentSystem().Uninitialize();  // pairs the initialisation of StartUp
  // The client learns the outcome from the result file only.
  return 0;
}

std::int32_t CRadlynApp::UninitializeHostLink() {
  std::int32_t error_number = kErrorNone;
  std::string debug_text;
  try {
    // 1 (shut down) and 0 (never initialised) both count as success.
    link().Uninitialize();
  } catch (...) {
    error_number = kErrorUnspecified;
    debug_text = "Exception occured during Uninitialize()";
  }
  WriteErrorReport(error_number, debug_text);
  return error_number;
}

void CRadlynApp::ShowAboutDialog() {
  CAboutDialog dialog;
  dialog.DoModal();
}

bool CRadlynApp::SetDataFolderFromParameter(const std::string& value) {
  std::optional<std::string> folder = DataFolderOfParameter(value);
  if (!folder) {
    const std::string text =
        value.empty() ? std::string(LoadResourceString(kIdsDefaultDataFolder)) : value;
    const std::string message =
        "Data folder path too long after expansion (more than 259 characters): '" + text + "'";
    platform::GetUserInterface().ShowErrorMessage(message, ProgramTitle());
    WriteEventLog("Error", message);
    return false;
  }
  SetDataFolder(std::move(*folder));
  return true;
}

void CRadlynApp::ChooseOwnerWindow() {
  platform::UserInterface& ui = platform::GetUserInterface();
  if (ui.IsWindow(GetParentWindow())) return;
  SetParentWindow(0);
  std::optional<platform::WindowHandle> dialog = ui.CreateModelessDialog(GetParentDialogTemplate());
  if (!dialog) {
    WriteEventLog("Error", "Could not create sysmod parent dlg!");
    return;
  }
  parent_dialog_ = *dialog;
  // A zero-size window at half the screen height from the left edge; only its ownership of
  // Morlund's dialogs matters.
  const platform::ScreenSize screen = ui.PrimaryScreenSize();
  ui.MoveWindow(*dialog, screen.height / 2, 0, 0, 0);
  ui.BringToForeground(*dialog);
  SetParentWindow(*dialog);
}

}  // namespace radlyn
