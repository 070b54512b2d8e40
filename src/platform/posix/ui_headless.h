// The user interface without a display. Message boxes become one line on standard error,
// "<caption>: <text>" ("Error" for an empty caption; a text that already starts with
// "<caption>: " is printed as it is). A modal dialog prints its title and then
// its static texts row by row on standard output (controls that share a vertical position joined
// by one blank, left to right; rows top to bottom) and returns at once; buttons and frames print
// nothing. Modeless dialogs are virtual windows with handles from 0x10000 up, alive until
// destroyed, so a job without a display still has an owner window. Texts are program texts.
#pragma once

#include <cstdio>
#include <set>

#include "platform/ui.h"

namespace radlyn::platform {

class HeadlessUserInterface : public UserInterface {
 public:
  // Writes to the given streams (standard output and error by default), for tests.
  HeadlessUserInterface(std::FILE* out = stdout, std::FILE* err = stderr) : out_(out), err_(err) {}

  void ShowErrorMessage(std::string_view text, std::string_view caption) override;
  void RunModalDialog(const DialogTemplate& dialog, const std::map<int, std::string>& texts,
                      int icon_id) override;
  std::optional<WindowHandle> CreateModelessDialog(const DialogTemplate& dialog) override;
  void MoveWindow(WindowHandle window, int x, int y, int width, int height) override;
  void BringToForeground(WindowHandle window) override;
  void DestroyWindow(WindowHandle window) override;
  bool IsWindow(WindowHandle window) override;
  ScreenSize PrimaryScreenSize() override;

 private:
  std::FILE* out_;
  std::FILE* err_;
  WindowHandle next_window_ = 0x10000;
  std::set<WindowHandle> live_windows_;
};

}  // namespace radlyn::platform
