// CAboutDialog: the information dialog shown for a help request or when no job file is found.
//
// Built from dialog 102 with the program icon 128. Its initialisation reads the product version
// of the running program file (0.0.0.0 when the file carries none) and shows it as
// "major.minor.third" in control 1001; DoModal then runs the dialog until OK or the close box.
#pragma once

#include <string>

#include "platform/ui.h"

namespace radlyn {

class CAboutDialog {
 public:
  // Start-up passes no parent; the dialog then has no owner window.
  explicit CAboutDialog(platform::WindowHandle parent = 0);

  void DoModal();
  const std::string& GetVersionText() const { return version_text_; }

 private:
  void OnInitDialog();

  std::string version_text_;
  int icon_id_;
};

}  // namespace radlyn
