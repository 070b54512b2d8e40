// The program's dialog layouts, as a resource script would give them (dialog units).
//
// Dialog 102 is the information dialog: title "Tebro", 312 by 101 units, MS Sans Serif 8 points,
// shown in the task bar; control 1001 holds the version text ("x.y" until it is replaced).
// Dialog 130 is the invisible parent dialog that owns Morlund's acquisition dialogs when the
// client names no window: title "Radlyn", 46 by 30 units, no controls, system-modal and
// set-foreground styles.
#pragma once

#include <string_view>

#include "platform/ui.h"

namespace radlyn {

inline constexpr int kAboutDialogId = 102;
inline constexpr int kParentDialogId = 130;
inline constexpr int kProgramIconId = 128;
inline constexpr int kVersionLabelControlId = 1000;
inline constexpr int kVersionTextControlId = 1001;
inline constexpr int kOkButtonId = 1;

// The maker's legal notice: a line of the information dialog and the copyright of the Windows
// program's version resource.
inline constexpr std::string_view kLegalNotice =
    "Copyright (C) 2026 Radlyn developers. All rights reserved.";

const platform::DialogTemplate& GetAboutDialogTemplate();
const platform::DialogTemplate& GetParentDialogTemplate();

}  // namespace radlyn
