// Reads and ends a dialog of another program on the same desktop, for the GUI tests.
//
//   dialog_driver read TITLE [SECONDS]   waits up to SECONDS (default 20) for a shown top-level
//                                        window titled TITLE, then prints "title=TITLE" and
//                                        one line "control=ID CLASS TEXT" per child window
//   dialog_driver close TITLE [SECONDS]  clicks the default button of that window (WM_COMMAND
//                                        from the button the dialog names as default, IDOK when
//                                        none) and waits until the window is gone
// Exit code 0 on success, 1 when the window does not show up (or does not go away), 2 for a bad
// command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Search {
  const char* title;
  HWND found = nullptr;
};

BOOL CALLBACK MatchShownWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  if (IsWindowVisible(window) && std::strcmp(title, search->title) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindShownWindow(const char* title) {
  Search search{title};
  EnumWindows(MatchShownWindow, reinterpret_cast<LPARAM>(&search));
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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4 ||
      (std::strcmp(argv[1], "read") != 0 && std::strcmp(argv[1], "close") != 0)) {
    std::fprintf(stderr, "usage: dialog_driver read|close TITLE [SECONDS]\n");
    return 2;
  }
  const double seconds = argc == 4 ? std::atof(argv[3]) : 20.0;
  HWND window = nullptr;
  if (!WaitFor(seconds, [&] { return (window = FindShownWindow(argv[2])) != nullptr; })) {
    std::printf("no shown window titled \"%s\" within %g s\n", argv[2], seconds);
    return 1;
  }
  const int result = std::strcmp(argv[1], "read") == 0 ? Read(window) : Close(window, seconds);
  std::fflush(stdout);
  return result;
}
