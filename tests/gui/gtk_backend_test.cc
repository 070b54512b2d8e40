// The user interface of a process that has a display: windows are real X windows, a client's
// window id is checked against the display, the invisible parent dialog stays out of sight.
#include <gtest/gtest.h>

#include <sstream>

#include "gui/desktop_session.h"
#include "platform/ui.h"
#include "resources/dialog_templates.h"

// GTK keeps caches and type data for the life of the process; they are not this program's leaks.
// The suppressions match by library, which needs full stacks (GTK has no frame pointers).
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libgtk-3.so\nleak:libgdk-3.so\nleak:libglib-2.0.so\nleak:libgobject-2.0.so\n"
         "leak:libfontconfig.so\nleak:libpango\nleak:libcairo.so\nleak:libX11.so\n";
}

namespace radlyn::gui {
namespace {

using platform::GetUserInterface;
using platform::WindowHandle;

// The process's user interface is chosen at its first use, after the display has been set up.
// A build without GTK answers with the headless one, which knows no real window.
bool UsesDisplay() { return GetUserInterface().IsWindow(static_cast<WindowHandle>(RootWindow())); }

#define SKIP_WITHOUT_GTK()                                                       \
  do {                                                                           \
    SKIP_WITHOUT_DESKTOP();                                                      \
    if (!UsesDisplay()) GTEST_SKIP() << "built without GTK: headless interface"; \
  } while (false)

TEST(GtkBackendTest, IsWindowKnowsTheDisplaysWindows) {
  SKIP_WITHOUT_GTK();
  // A client's real window is checked end to end (owner_window_test.cc); the root window stands
  // for the display's windows here.
  auto& ui = GetUserInterface();
  const std::optional<WindowHandle> own = ui.CreateModelessDialog(GetParentDialogTemplate());
  ASSERT_TRUE(own);

  const struct {
    const char* what;
    WindowHandle handle;
    bool exists;
  } cases[] = {
      {"no handle", 0, false},
      {"the root window", static_cast<WindowHandle>(RootWindow()), true},
      {"our own dialog", *own, true},
      {"the largest handle a client can pass", 0x7FFFFFFF, false},
      {"an id no client has", 0x1FFFFFFF, false},
  };
  for (const auto& c : cases) EXPECT_EQ(ui.IsWindow(c.handle), c.exists) << c.what;

  ui.DestroyWindow(*own);
  EXPECT_FALSE(ui.IsWindow(*own)) << "a destroyed dialog";
}

TEST(GtkBackendTest, ParentDialogIsAnInvisibleKeepAboveWindowUntilDestroyed) {
  SKIP_WITHOUT_GTK();
  auto& ui = GetUserInterface();
  const std::optional<WindowHandle> handle = ui.CreateModelessDialog(GetParentDialogTemplate());
  ASSERT_TRUE(handle);
  const WindowId window = *handle;
  EXPECT_EQ(WindowName(window), "Radlyn");
  EXPECT_FALSE(DescribeWindow(window).viewable) << "shown before it was brought forward";

  // What start-up does with it: zero size, left edge at half the screen height, top edge 0.
  std::istringstream geometry(RunShell("xdotool getdisplaygeometry").output);
  int width = 0, height = 0;
  geometry >> width >> height;
  const platform::ScreenSize screen = ui.PrimaryScreenSize();
  EXPECT_EQ(screen.width, width);
  EXPECT_EQ(screen.height, height);
  const int left = screen.height / 2;
  ui.MoveWindow(*handle, left, 0, 0, 0);
  ui.BringToForeground(*handle);
  const WindowInfo info = DescribeWindow(window);
  EXPECT_TRUE(info.viewable);
  EXPECT_EQ(info.x, left);
  EXPECT_EQ(info.y, 0);
  // An X window has at least one pixel.
  EXPECT_EQ(info.width, 1);
  EXPECT_EQ(info.height, 1);
  EXPECT_NE(WindowProperty(window, "_NET_WM_STATE").find("_NET_WM_STATE_ABOVE"), std::string::npos);
  EXPECT_NE(WindowProperty(window, "_NET_WM_WINDOW_OPACITY").find("= 0"), std::string::npos);

  ui.DestroyWindow(*handle);
  EXPECT_FALSE(DescribeWindow(window).exists);
  // Handles of destroyed windows are ignored.
  ui.MoveWindow(*handle, 0, 0, 10, 10);
  ui.BringToForeground(*handle);
  ui.DestroyWindow(*handle);
}

}  // namespace
}  // namespace radlyn::gui
