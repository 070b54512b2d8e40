#include "app/about_dialog.h"

#include <map>

#include "platform/file_system.h"
#include "platform/ui.h"
#include "resources/dialog_templates.h"
#include "support/module_version.h"

namespace radlyn {

CAboutDialog::CAboutDialog() : icon_id_(kProgramIconId) {}

void CAboutDialog::OnInitDialog() {
  CModuleVersion version("0.0.0.0");
  // An unreadable version leaves 0.0.0.0, shown as 0.0.0.
  version.ReadFromFile(platform::GetFileSystem().ProgramFilePath());
  version_text_ = version.FormatParts(3);
}

void CAboutDialog::DoModal() {
  OnInitDialog();
  platform::GetUserInterface().RunModalDialog(GetAboutDialogTemplate(),
                                              {{kVersionTextControlId, version_text_}}, icon_id_);
}

}  // namespace radlyn
