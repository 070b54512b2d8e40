// The module-loading message boxes on a real display: with no Morlund installation every module
// file that cannot be loaded shows its box, and loading waits for each to be confirmed.
#include <gtest/gtest.h>

#include <filesystem>

#include "gui/desktop_session.h"

namespace radlyn::gui {
namespace {

namespace fs = std::filesystem;

constexpr double kWindowSeconds = 20;

TEST(ModuleMessageBoxTest, EachMissingModuleShowsAnErrorBoxThatLoadingWaitsFor) {
  SKIP_WITHOUT_DESKTOP();
  // No registry file and no fixed folder: no Morlund installation at all.
  integration::RadlynSandbox sandbox;
  const std::string data = sandbox.Path("data");
  integration::WriteIniFile(data + "/RADLYN_in.ini", {{"Logon", {{"ClientName", "GuiTest"}}}});
  const fs::path result_file = data + "/RADLYN_out.ini";
  BackgroundProgram program(RadlynOnDisplay(sandbox, {"datapath=" + data}));

  int boxes = 0;
  while (true) {
    // The next box, or the end of the program.
    const std::optional<WindowId> shown = WaitForWindow("Error", kWindowSeconds, &program);
    if (!shown) break;
    ++boxes;
    ASSERT_LE(boxes, 4) << "more boxes than module files";
    const WindowId box = *shown;
    EXPECT_EQ(WindowName(box), "Error");
    EXPECT_TRUE(DescribeWindow(box).viewable);
    if (boxes == 1) SaveScreenshot("module-message-box", box);
    // Nothing has been reported yet: the job waits for the user.
    EXPECT_FALSE(fs::exists(result_file)) << "box " << boxes;
    EXPECT_TRUE(program.Running());
    PressKey(box, "Return");
    for (int i = 0; i < 100 && DescribeWindow(box).exists; ++i) program.WaitForExit(0.1);
    ASSERT_FALSE(DescribeWindow(box).exists) << "box " << boxes << " stayed after OK";
  }

  ASSERT_EQ(program.WaitForExit(kWindowSeconds), 0);
  // Without GTK the boxes become lines on standard error.
  const std::string headless_line = "\nError: MoFileDB.dll not found\n";
  if (boxes == 0 && ("\n" + program.StandardError()).find(headless_line) != std::string::npos) {
    GTEST_SKIP() << "radlyn was built without GTK: " << program.StandardError();
  }
  // MoFileDB, MoModCh, MoGrfMan and MoUtil; a MoFileIO that cannot be loaded shows nothing.
  EXPECT_EQ(boxes, 4) << program.StandardError();
  const auto result = integration::ReadIniEntries(result_file);
  EXPECT_NE(integration::FindIniValue(result, "Info", "ErrorNr").value_or("0"), "0");
}

}  // namespace
}  // namespace radlyn::gui
