// Reads and ends dialogs of another program on the same desktop, and stands in for a client's
// window, for the GUI tests.
//
//   dialog_driver read TITLE [SECONDS]   waits up to SECONDS (default 20) for a shown top-level
//                                        window titled TITLE, then prints "title=TITLE",
//                                        "owner=HANDLE" and one line "control=ID CLASS TEXT" per
//                                        child window
//   dialog_driver close TITLE [SECONDS]  clicks the default button of that window (WM_COMMAND
//                                        from the button the dialog names as default, IDOK when
//                                        none) and waits until the window is gone
//   dialog_driver windows TITLE [SECONDS]  waits up to SECONDS for top-level windows titled
//                                        TITLE, shown or hidden, and prints one line each (below)
//   dialog_driver shown TITLE [SECONDS]  the same for shown windows only: a window is made
//                                        before it is shown, so this waits for the shown state
//   dialog_driver describe HANDLE        prints that line for the window HANDLE (hexadecimal)
//   dialog_driver client TITLE [SECONDS] shows a top-level window titled TITLE, prints its line,
//                                        and keeps it for SECONDS
// A window's line: "window=HANDLE class=CLASS visible=0|1 owner=HANDLE rect=LEFT,TOP,WIDTH,HEIGHT
// title=TITLE", handles as 0x and eight hexadecimal digits.
// Exit code 0 on success, 1 when the window does not show up (or does not go away, or is no
// window), 2 for a bad command line.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

unsigned long HandleValue(HWND window) {
  return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window));
}

struct Search {
  const char* title;
  bool shown_only = true;
  std::vector<HWND> found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  if ((!search->shown_only || IsWindowVisible(window)) && std::strcmp(title, search->title) == 0) {
    search->found.push_back(window);
  }
  return TRUE;
}

std::vector<HWND> FindWindows(const char* title, bool shown_only) {
  Search search{title, shown_only};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Polls every 100 ms until `done` holds or `seconds` have passed.
template <typename Condition>
bool WaitFor(double seconds, Condition done) {
  for (int tick = 0; tick <= static_cast<int>(seconds * 10); ++tick) {
    if (done()) return true;
    Sleep(100);
  }
  return false;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
  char class_name[64] = {};
  char text[512] = {};
  GetClassNameA(control, class_name, sizeof class_name);
  GetWindowTextA(control, text, sizeof text);
  std::printf("control=%d %s %s\n", static_cast<int>(static_cast<short>(GetDlgCtrlID(control))),
              class_name, text);
  return TRUE;
}

int Read(HWND window) {
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  std::printf("title=%s\n", title);
  std::printf("owner=0x%08lX\n", HandleValue(GetWindow(window, GW_OWNER)));
  EnumChildWindows(window, PrintControl, 0);
  return 0;
}

int Close(HWND window, double seconds) {
  const LRESULT default_id = SendMessageA(window, DM_GETDEFID, 0, 0);
  const int id = HIWORD(default_id) == DC_HASDEFID ? LOWORD(default_id) : IDOK;
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
  if (WaitFor(seconds, [window] { return !IsWindow(window); })) return 0;
  std::printf("still shown after %g s\n", seconds);
  return 1;
}

int Describe(HWND window) {
  if (!IsWindow(window)) {
    std::printf("window=0x%08lX gone\n", HandleValue(window));
    return 1;
  }
  char class_name[64] = {};
  char title[256] = {};
  GetClassNameA(window, class_name, sizeof class_name);
  GetWindowTextA(window, title, sizeof title);
  RECT rect = {};
  GetWindowRect(window, &rect);
  std::printf("window=0x%08lX class=%s visible=%d owner=0x%08lX rect=%ld,%ld,%ld,%ld title=%s\n",
              HandleValue(window), class_name, IsWindowVisible(window) ? 1 : 0,
              HandleValue(GetWindow(window, GW_OWNER)), rect.left, rect.top, rect.right - rect.left,
              rect.bottom - rect.top, title);
  return 0;
}

// A client program's main window: shown until `seconds` have passed or it is closed.
int Client(const char* title, double seconds) {
  HWND window = CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400,
                                300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (window == nullptr) {
    std::printf("no window: error %lu\n", GetLastError());
    return 1;
  }
  Describe(window);
  std::fflush(stdout);
  const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
  while (IsWindow(window) && static_cast<LONG>(deadline - GetTickCount()) > 0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, deadline - GetTickCount(), QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  if (IsWindow(window)) DestroyWindow(window);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc >= 2 ? argv[1] : "";
  const bool by_title = command == "read" || command == "close" || command == "windows" ||
                        command == "shown" || command == "client";
  if (!(by_title && argc >= 3 && argc <= 4) && !(command == "describe" && argc == 3)) {
    std::fprintf(stderr,
                 "usage: dialog_driver read|close|windows|shown|client TITLE [SECONDS]\n"
                 "       dialog_driver describe HANDLE\n");
    return 2;
  }
  const double seconds = argc == 4 ? std::atof(argv[3]) : 20.0;
  int result = 0;
  if (command == "describe") {
    result = Describe(reinterpret_cast<HWND>(std::strtoul(argv[2], nullptr, 16)));
  } else if (command == "client") {
    result = Client(argv[2], seconds);
  } else {
    const bool shown_only = command != "windows";
    std::vector<HWND> windows;
    if (!WaitFor(seconds, [&] { return !(windows = FindWindows(argv[2], shown_only)).empty(); })) {
      std::printf("no %swindow titled \"%s\" within %g s\n", shown_only ? "shown " : "", argv[2],
                  seconds);
      return 1;
    }
    if (command == "windows" || command == "shown") {
      for (HWND window : windows) Describe(window);
    } else {
      result = command == "read" ? Read(windows.front()) : Close(windows.front(), seconds);
    }
  }
  std::fflush(stdout);
  return result;
}
