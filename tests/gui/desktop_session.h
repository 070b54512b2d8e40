// Support for tests on a real X display: the display itself (the one DISPLAY names, else a
// private Xvfb started for the test program), programs started in the background, and the
// display's windows seen and driven through xdotool, xwininfo and xprop. A test calls
// SKIP_WITHOUT_DESKTOP() first: without Xvfb or the X tools it is skipped, not failed.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "integration/support/integration_support.h"

namespace radlyn::gui {

// Why no display can be used, or empty text when one is ready.
std::string DesktopUnavailableReason();

#define SKIP_WITHOUT_DESKTOP()                                                                 \
  do {                                                                                         \
    if (const std::string reason = ::radlyn::gui::DesktopUnavailableReason(); !reason.empty()) \
      GTEST_SKIP() << reason;                                                                  \
  } while (false)

struct ShellResult {
  int exit_code = -1;
  std::string output;  // standard output
};
ShellResult RunShell(const std::string& command);
std::string ShellQuote(const std::string& text);

// A program started in the background; stopped at destruction if it is still running.
class BackgroundProgram {
 public:
  explicit BackgroundProgram(const integration::ProgramStart& start);
  ~BackgroundProgram();
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;

  // The exit code once the program has ended within `seconds`, else std::nullopt.
  std::optional<int> WaitForExit(double seconds);
  bool Running();
  std::string StandardOutput() const;
  std::string StandardError() const;

 private:
  integration::TempFolder capture_;
  std::string pid_;
};

// bin/radlyn in `sandbox` with the display's variables added to its environment.
integration::ProgramStart RadlynOnDisplay(integration::RadlynSandbox& sandbox,
                                          std::vector<std::string> arguments);

using WindowId = unsigned long;

// Windows named exactly `name` (a plain name, no pattern), all or only those shown.
std::vector<WindowId> FindWindows(const std::string& name, bool only_visible = false);
// The first window named `name` that is shown within `seconds`.
// With `shown_by`, gives up as soon as that program has ended.
std::optional<WindowId> WaitForWindow(const std::string& name, double seconds,
                                      BackgroundProgram* shown_by = nullptr);
std::string WindowName(WindowId window);

struct WindowInfo {
  bool exists = false;
  bool viewable = false;
  int x = 0, y = 0, width = 0, height = 0;
};
WindowInfo DescribeWindow(WindowId window);
// The value of a window property as xprop prints it ("" when unset).
std::string WindowProperty(WindowId window, const std::string& property);
WindowId RootWindow();

// Gives `window` the keyboard focus and types `key` (an X key name such as "Return").
void PressKey(WindowId window, const std::string& key);

// Saves the whole screen, or one window, as <build>/gui-screenshots/<name>.png; answers the path.
std::string SaveScreenshot(const std::string& name, std::optional<WindowId> window = {});

}  // namespace radlyn::gui
