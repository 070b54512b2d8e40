// The Windows resource script (.rc) of the program, written from its resource tables.
//
// The script holds, all in US English: the string table; each dialog as a DIALOGEX with the
// template's units, font and controls (default button, left-aligned static text, grey-rectangle
// static); the icon, naming an icon file that the resource compiler finds on its include path;
// the version resource with the four-part file and product version; and the application
// manifest (resource type 24, id 1), naming a manifest file found like the icon. A dialog's
// styles come from its template: every dialog is a captioned pop-up; a system-modal one also gets
// the system-modal and set-foreground styles, any other one the modal frame and system menu; one
// shown in the task bar gets the application-window extended style.
//
// Texts are written in the ANSI code page 1252. A text holding a control character cannot be
// written: WriteResourceScript throws std::invalid_argument naming it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "resources/string_table.h"

namespace radlyn::rcgen {

struct VersionInfo {
  std::array<std::uint16_t, 4> version{};  // file and product version
  std::string product_name;
  std::string file_description;
  std::string legal_copyright;
  std::string original_filename;
};

struct ResourceScriptInput {
  std::span<const StringResource> strings;
  std::vector<const platform::DialogTemplate*> dialogs;
  int icon_id = 0;
  std::string icon_file;      // file name as the script names it
  std::string manifest_file;  // likewise
  VersionInfo version_info;
};

std::string WriteResourceScript(const ResourceScriptInput& input);

}  // namespace radlyn::rcgen
