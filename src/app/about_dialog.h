// CAboutDialog: the information dialog shown for a help request or when no job file is found.
//
// Built from dialog 102 with the program icon 128. Its initialisation reads the product version
// of the running program file (0.0.0.0 when the file carries none) and shows it as
// "major.minor.third" in control 1001; DoModal then runs the dialog until OK or the close box.
#pragma once

#include <string>

namespace radlyn {

class CAboutDialog {
 public:
  // The dialog has no owner window.
  CAboutDialog();

  void DoModal();

 private:
  void OnInitDialog();

  std::string version_text_;
  int icon_id_;
};

}  // namespace radlyn
