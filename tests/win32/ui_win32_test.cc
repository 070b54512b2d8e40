// The Windows user interface on a desktop (Wine on a private X display). Dialogs come from the
// program's dialog resources, which the build writes from the templates the Linux backend draws:
// the shown dialog must match its template unit for unit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/crash_report.h"
#include "platform/ui.h"
#include "resources/dialog_templates.h"
#include "resources/program_icon.h"
#include "resources/string_table.h"

namespace radlyn::platform {
namespace {

std::string Text(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassName(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

BOOL CALLBACK CloseThreadWindow(HWND window, LPARAM) {
  return PostMessageA(window, WM_CLOSE, 0, 0);
}

// While this thread sits in a modal loop, a second one waits for the window titled `title` and
// runs `act` on it. A window that never shows fails the test after ten seconds instead of hanging
// it: the thread's windows are then closed.
class WindowWatcher {
 public:
  WindowWatcher(const std::string& title, std::function<void(HWND)> act)
      : thread_([this, title, act, ui_thread = GetCurrentThreadId()] {
          for (int tick = 0; tick < 100 && !seen_; ++tick, Sleep(100)) {
            HWND window = FindWindowA(nullptr, title.c_str());
            if (window == nullptr || !IsWindowVisible(window)) continue;
            act(window);
            seen_ = true;
          }
          if (!seen_) EnumThreadWindows(ui_thread, CloseThreadWindow, 0);
        }) {}
  ~WindowWatcher() { Seen(); }
  bool Seen() {
    if (thread_.joinable()) thread_.join();
    return seen_;
  }

 private:
  std::atomic<bool> seen_ = false;
  std::thread thread_;
};

// Where the dialog manager puts a rectangle of dialog units: place and size each converted.
RECT Pixels(HWND dialog, int x, int y, int width, int height) {
  RECT r{x, y, width, height};
  MapDialogRect(dialog, &r);
  return {r.left, r.top, r.left + r.right, r.top + r.bottom};
}

// One line per control, as shown and as its template wants it: id, class, text, rectangle.
std::string Describe(int id, const std::string& class_name, const std::string& text, RECT r) {
  return std::to_string(id) + " " + class_name + " \"" + text + "\" " + std::to_string(r.left) +
         "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

TEST(Win32DialogTest, InformationDialogIsItsTemplateWithTextsReplacedAndTheProgramIcon) {
  const DialogTemplate& about = GetAboutDialogTemplate();
  std::vector<std::string> shown, wanted;
  std::string font;
  bool in_taskbar = false, has_icons = false;
  WindowWatcher watcher(about.title, [&](HWND dialog) {
    RECT client;
    GetClientRect(dialog, &client);
    shown.push_back(Describe(0, "dialog", Text(dialog), client));
    wanted.push_back(
        Describe(0, "dialog", about.title, Pixels(dialog, 0, 0, about.width, about.height)));
    HWND control = GetWindow(dialog, GW_CHILD);
    for (const DialogControl& c : about.controls) {
      const bool button = c.kind == ControlKind::kDefaultButton;
      const std::string text = c.id == kVersionTextControlId ? "7.8.9" : c.text;
      wanted.push_back(Describe(c.id, button ? "Button" : "Static", text,
                                Pixels(dialog, c.x, c.y, c.width, c.height)));
      if (control == nullptr) continue;
      RECT r;
      GetWindowRect(control, &r);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
      shown.push_back(Describe(static_cast<short>(GetDlgCtrlID(control)), ClassName(control),
                               Text(control), r));
      control = GetWindow(control, GW_HWNDNEXT);
    }
    LOGFONTA logfont{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof logfont,
               &logfont);
    font = logfont.lfFaceName;
    in_taskbar = GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW;
    has_icons = SendMessageA(dialog, WM_GETICON, ICON_BIG, 0) != 0 &&
                SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0) != 0;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(kOkButtonId, BN_CLICKED), 0);
  });
  GetUserInterface().RunModalDialog(about, {{kVersionTextControlId, "7.8.9"}}, kProgramIconId);

  ASSERT_TRUE(watcher.Seen());
  EXPECT_EQ(shown, wanted);
  EXPECT_EQ(font, about.font_name);
  EXPECT_TRUE(in_taskbar);
  EXPECT_TRUE(has_icons);
}

TEST(Win32DialogTest, ModalDialogEndsByItsCloseBoxAndByEscape) {
  for (const auto& [message, wparam] : {std::pair<UINT, WPARAM>{WM_SYSCOMMAND, SC_CLOSE},
                                        std::pair<UINT, WPARAM>{WM_COMMAND, IDCANCEL}}) {
    WindowWatcher watcher("Tebro", [&](HWND dialog) { PostMessageA(dialog, message, wparam, 0); });
    GetUserInterface().RunModalDialog(GetAboutDialogTemplate(), {}, 0);
    EXPECT_TRUE(watcher.Seen()) << message;
  }
}

TEST(Win32DialogTest, ParentDialogStaysOnTopHiddenUntilBroughtForwardAndEndsOnlyWhenDestroyed) {
  UserInterface& ui = GetUserInterface();
  const std::optional<WindowHandle> parent = ui.CreateModelessDialog(GetParentDialogTemplate());
  ASSERT_TRUE(parent.has_value());
  HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(*parent));
  EXPECT_EQ(Text(window), "Radlyn");
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);

  ui.MoveWindow(*parent, 300, 0, 0, 0);
  ui.BringToForeground(*parent);
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(Describe(0, "", "", r), Describe(0, "", "", RECT{300, 0, 300, 0}));

  // A wait of the clock (the file retries' wait) answers what other threads send the window.
  std::atomic<bool> answered{false};
  std::thread sender([&] {
    DWORD_PTR reply = 0;
    answered = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &reply) != 0;
  });
  Clock::Native().Sleep(1500);
  EXPECT_TRUE(answered);
  sender.join();

  SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(ui.IsWindow(*parent));
  ui.DestroyWindow(*parent);
  EXPECT_FALSE(ui.IsWindow(*parent));

  DialogTemplate missing = GetParentDialogTemplate();
  missing.id = 4242;
  EXPECT_EQ(ui.CreateModelessDialog(missing), std::nullopt);
}

TEST(Win32MessageBoxTest, ErrorBoxShowsTheTextWithOneButtonUnderTheDefaultOrGivenCaption) {
  for (const std::string caption : {"", "radlyn"}) {
    std::vector<std::string> controls;
    WindowWatcher watcher(caption.empty() ? "Error" : caption, [&](HWND box) {
      for (HWND c = GetWindow(box, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!Text(c).empty()) controls.push_back(ClassName(c) + " " + Text(c));
      }
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    GetUserInterface().ShowErrorMessage("MoFileDB.dll not found", caption);
    ASSERT_TRUE(watcher.Seen()) << caption;
    EXPECT_THAT(controls,
                testing::UnorderedElementsAre("Button OK", "Static MoFileDB.dll not found"));
  }
}

TEST(Win32ResourcesTest, StringTableAndProductVersionAreCompiledIntoTheProgram) {
  for (const StringResource& entry : ResourceStrings()) {
    char text[512] = {};
    LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(entry.id), text, sizeof text);
    EXPECT_EQ(text, entry.text) << entry.id;
  }
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::vector<char> block(GetFileVersionInfoSizeA(path, nullptr));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(!block.empty() && GetFileVersionInfoA(path, 0, block.size(), block.data()) &&
              VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(std::to_string(HIWORD(fixed->dwProductVersionMS)) + "." +
                std::to_string(LOWORD(fixed->dwProductVersionMS)) + "." +
                std::to_string(HIWORD(fixed->dwProductVersionLS)) + "." +
                std::to_string(LOWORD(fixed->dwProductVersionLS)),
            RADLYN_PRODUCT_VERSION);
}

// The icon as Windows reads it from the program: every size, and at 32 pixels the drawing the
// right way up in the right colours (tile, tube head, tooth) with a transparent corner.
TEST(Win32ResourcesTest, ProgramIconHoldsEverySizeDrawnUprightInItsColours) {
  HMODULE program = GetModuleHandleA(nullptr);
  HRSRC group = FindResourceA(program, MAKEINTRESOURCEA(kProgramIconId), RT_GROUP_ICON);
  ASSERT_NE(group, nullptr);
  const auto* directory = static_cast<const WORD*>(LockResource(LoadResource(program, group)));
  EXPECT_EQ(directory[2], resources::kProgramIconSizes.size());

  HICON icon = static_cast<HICON>(
      LoadImageA(program, MAKEINTRESOURCEA(kProgramIconId), IMAGE_ICON, 32, 32, 0));
  ICONINFO info{};
  ASSERT_TRUE(icon != nullptr && GetIconInfo(icon, &info));
  BITMAPINFO format{};
  format.bmiHeader = {sizeof(BITMAPINFOHEADER), 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<std::uint32_t> pixels(32 * 32);  // 0xAARRGGBB, rows top to bottom
  HDC screen = GetDC(nullptr);
  ASSERT_EQ(GetDIBits(screen, info.hbmColor, 0, 32, pixels.data(), &format, DIB_RGB_COLORS), 32);
  ReleaseDC(nullptr, screen);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);

  const auto at = [&](int x, int y) { return pixels[y * 32 + x]; };
  EXPECT_EQ(at(0, 0) >> 24, 0u) << "corner outside the rounded tile";
  EXPECT_EQ(at(2, 16), 0xFF17324Du) << "tile";
  EXPECT_EQ(at(6, 6), 0xFFC9D3DDu) << "tube head, top left";
  EXPECT_EQ(at(17, 16), 0xFFF7F4EAu) << "tooth";
}

// The thread's waits handle its messages, except once the process is crashing: a crashed
// module's window procedures must not run again on top of its faulted frame. (Crashing never
// ends, so that half runs in a child process.)
TEST(Win32WaitTest, WaitsHandleMessagesUntilTheProcessIsCrashing) {
  const auto message_stays = [] {
    PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
    GetClock().Sleep(1);
    MSG message;
    return PeekMessageA(&message, nullptr, WM_APP, WM_APP, PM_REMOVE) != 0;
  };
  EXPECT_FALSE(message_stays());
  EXPECT_EXIT(
      {
        EnterCrashMode();
        std::exit(message_stays() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace radlyn::platform
