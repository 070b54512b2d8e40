// Reads and answers the message boxes of a program under test, for the integration suites under
// Wine: every shown message box on the desktop is written to FILE as one line "CAPTION: TEXT"
// (just TEXT when it opens with that already), the form in which the Linux program prints its
// message boxes to standard error, and then closed with OK. Runs until it is ended.
//   message_box_reader FILE
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// A message box is a dialog whose text is the static control 0xFFFF.
constexpr int kMessageTextId = 0xFFFF;

BOOL CALLBACK AnswerMessageBox(HWND window, LPARAM data) {
  char class_name[16] = {};
  GetClassNameA(window, class_name, sizeof class_name);
  const HWND text_control = GetDlgItem(window, kMessageTextId);
  if (!IsWindowVisible(window) || std::string(class_name) != "#32770" || text_control == nullptr) {
    return TRUE;
  }
  char caption[256] = {};
  char text[2048] = {};
  GetWindowTextA(window, caption, sizeof caption);
  GetWindowTextA(text_control, text, sizeof text);
  std::string line = std::string(caption) + ": ";
  if (std::string(text).rfind(line, 0) == 0) line.clear();
  line += text;
  std::FILE* file = reinterpret_cast<std::FILE*>(data);
  std::fprintf(file, "%s\n", line.c_str());
  std::fflush(file);
  // Answered at once, so that the next box of the same program cannot come first.
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, IDOK)));
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: message_box_reader FILE\n");
    return 2;
  }
  std::FILE* file = std::fopen(argv[1], "ab");
  if (file == nullptr) return 1;
  for (;;) {
    EnumWindows(AnswerMessageBox, reinterpret_cast<LPARAM>(file));
    Sleep(50);
  }
}
