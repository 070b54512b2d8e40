#include "resources/dialog_templates.h"

namespace radlyn {
namespace {

using platform::ControlKind;
using platform::DialogControl;
using platform::DialogTemplate;

constexpr int kNoId = -1;

DialogTemplate MakeAboutDialog() {
  DialogTemplate dialog;
  dialog.id = kAboutDialogId;
  dialog.title = "Tebro";
  dialog.width = 312;
  dialog.height = 101;
  dialog.font_name = "MS Sans Serif";
  dialog.font_points = 8;
  dialog.in_taskbar = true;
  dialog.controls = {
      {kOkButtonId, ControlKind::kDefaultButton, "OK", 130, 80, 50, 14},
      {kVersionLabelControlId, ControlKind::kStaticText, "Version:", 25, 15, 35, 8},
      {kVersionTextControlId, ControlKind::kStaticText, "x.y", 65, 15, 25, 8},
      {kNoId, ControlKind::kStaticText, std::string(kLegalNotice), 25, 30, 205, 10},
      {kNoId, ControlKind::kStaticText, "Refer to RADLYN reference for integration details", 25, 50,
       200, 8},
      {kNoId, ControlKind::kGreyRectangle, "", 5, 68, 300, 3},
  };
  return dialog;
}

DialogTemplate MakeParentDialog() {
  DialogTemplate dialog;
  dialog.id = kParentDialogId;
  dialog.title = "Radlyn";
  dialog.width = 46;
  dialog.height = 30;
  dialog.font_name = "MS Sans Serif";
  dialog.font_points = 8;
  dialog.system_modal = true;
  return dialog;
}

}  // namespace

const platform::DialogTemplate& GetAboutDialogTemplate() {
  static const DialogTemplate dialog = MakeAboutDialog();
  return dialog;
}

const platform::DialogTemplate& GetParentDialogTemplate() {
  static const DialogTemplate dialog = MakeParentDialog();
  return dialog;
}

}  // namespace radlyn
