// The owner of Morlund's acquisition dialogs on a real display: a client's real window is used as
// it is; a handle that names no window gets the invisible parent dialog, which stays out of sight
// for the job and goes with it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "gui/desktop_session.h"

namespace radlyn::gui {
namespace {

using integration::IniSection;

constexpr double kWindowSeconds = 20;
// A slow exposure, so the test can look at the screen while the job runs.
constexpr const char* kExposureDelayMs = "3000";
constexpr const char* kParentDialogName = "Radlyn";

std::string HexHandle(WindowId window) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%lx", window);
  return text;
}

struct JobRun {
  int exit_code = -1;
  std::string error_number;
  WindowId owner = 0;  // as MC_TakeImage received it
  std::vector<WindowId> parent_dialogs;
  WindowInfo parent_dialog;  // while the job ran
  bool parent_dialog_left = false;
};

class OwnerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_DESKTOP();
    integration::ProgramStart install{integration::HostsimProgramPath(),
                                      {"install", Morlund()},
                                      sandbox_.environment(),
                                      sandbox_.WorkFolder()};
    ASSERT_EQ(integration::RunProgram(install).exit_code, 0);
    integration::WriteIniFile(Morlund() + "/hostsim.ini",
                              {{"MoModCh", {{"DelayMs", kExposureDelayMs}}}});
    integration::WriteIniFile(Data() + "/RADLYN_in.ini",
                              {{"Logon", {{"ClientName", "GuiTest"}}},
                               {"Info", {{"Type", "XI"}, {"Regio", "11"}}},
                               {"Patient", {{"LastName", "Moss"}, {"Birthdate", "19800101"}}},
                               {"Config", {{"ImageDataPath", sandbox_.Path("images")}}}});
  }

  std::string Morlund() const { return sandbox_.Path("morlund"); }
  std::string Data() const { return sandbox_.Path("data"); }

  JobRun RunJob(const std::string& parentwnd) {
    JobRun run;
    BackgroundProgram program(
        RadlynOnDisplay(sandbox_, {"datapath=" + Data(), "parentwnd=" + parentwnd}));
    // Every parent dialog seen while the job runs.
    while (!program.WaitForExit(0.05)) {
      for (WindowId window : FindWindows(kParentDialogName)) {
        if (std::find(run.parent_dialogs.begin(), run.parent_dialogs.end(), window) ==
            run.parent_dialogs.end()) {
          run.parent_dialogs.push_back(window);
        }
        const WindowInfo info = DescribeWindow(window);
        if (info.viewable) run.parent_dialog = info;
      }
    }
    run.exit_code = program.WaitForExit(0).value_or(-1);
    for (WindowId window : run.parent_dialogs)
      run.parent_dialog_left |= DescribeWindow(window).exists;
    run.error_number =
        integration::FindIniValue(integration::ReadIniEntries(Data() + "/RADLYN_out.ini"), "Info",
                                  "ErrorNr")
            .value_or("none");
    std::istringstream log(
        integration::ReadTextFile(Morlund() + "/hostsim-calls.log").value_or(""));
    for (std::string line; std::getline(log, line);) {
      // MC_TakeImage(0, patient{...}, take{...}, 3, OWNER, 1, 0) = ...
      const std::size_t at = line.find("}, 3, 0x");
      if (line.starts_with("MC_TakeImage(") && at != std::string::npos) {
        run.owner = std::strtoul(line.c_str() + at + 6, nullptr, 16);
      }
    }
    return run;
  }

  // Without GTK the owner check knows no real window and the parent dialog is a virtual one.
  static bool Headless(const JobRun& run) { return run.owner >= 0x10000 && run.owner < 0x10100; }

  integration::RadlynSandbox sandbox_;
};

TEST_F(OwnerWindowTest, ClientsWindowOwnsTheAcquisitionAndNoParentDialogIsMade) {
  integration::ProgramStart client;
  client.program = "xmessage";
  client.arguments = {"-title", "GuiTestClient", "client window"};
  client.environment = {{"DISPLAY", std::getenv("DISPLAY")}};
  BackgroundProgram client_program(client);
  const std::optional<WindowId> client_window = WaitForWindow("GuiTestClient", kWindowSeconds);
  ASSERT_TRUE(client_window) << "xmessage (Debian package x11-utils) showed no window";

  const JobRun run = RunJob(HexHandle(*client_window));
  if (Headless(run)) GTEST_SKIP() << "radlyn was built without GTK";
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.error_number, "0");
  EXPECT_EQ(run.owner, *client_window);
  EXPECT_TRUE(run.parent_dialogs.empty());
}

TEST_F(OwnerWindowTest, HandleOfNoWindowGetsAnInvisibleParentDialogForTheJob) {
  const JobRun run = RunJob("0x7ffffff0");
  if (Headless(run)) GTEST_SKIP() << "radlyn was built without GTK";
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.error_number, "0");
  ASSERT_EQ(run.parent_dialogs.size(), 1u);
  EXPECT_EQ(run.owner, run.parent_dialogs.front());
  // One pixel (an X window cannot be empty) with its left edge at half the screen height.
  std::istringstream geometry(RunShell("xdotool getdisplaygeometry").output);
  int width = 0, height = 0;
  geometry >> width >> height;
  EXPECT_EQ(run.parent_dialog.x, height / 2);
  EXPECT_EQ(run.parent_dialog.y, 0);
  EXPECT_EQ(run.parent_dialog.width, 1);
  EXPECT_EQ(run.parent_dialog.height, 1);
  EXPECT_FALSE(run.parent_dialog_left) << "the parent dialog outlived the job";
}

}  // namespace
}  // namespace radlyn::gui
