#include "resources/rcgen/resource_script.h"

#include <stdexcept>

namespace radlyn::rcgen {
namespace {

using platform::ControlKind;
using platform::DialogControl;
using platform::DialogTemplate;

// A quoted resource-script string: quotes doubled, backslashes escaped, other bytes as they are.
std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      throw std::invalid_argument("text with a control character cannot be written: \"" +
                                  std::string(text) + "\"");
    }
    if (c == '"') quoted += '"';
    if (c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string Rectangle(int x, int y, int width, int height) {
  return std::to_string(x) + ", " + std::to_string(y) + ", " + std::to_string(width) + ", " +
         std::to_string(height);
}

std::string ControlLine(const DialogControl& control) {
  const std::string place = std::to_string(control.id) + ", " +
                            Rectangle(control.x, control.y, control.width, control.height);
  switch (control.kind) {
    case ControlKind::kDefaultButton:
      return "    DEFPUSHBUTTON " + Quoted(control.text) + ", " + place + "\n";
    case ControlKind::kStaticText:
      return "    LTEXT " + Quoted(control.text) + ", " + place + "\n";
    case ControlKind::kGreyRectangle:
      return "    CONTROL " + Quoted(control.text) + ", " + std::to_string(control.id) +
             ", \"Static\", SS_GRAYRECT, " +
             Rectangle(control.x, control.y, control.width, control.height) + "\n";
  }
  throw std::invalid_argument("unknown control kind");
}

std::string Dialog(const DialogTemplate& dialog) {
  std::string style = "WS_POPUP | WS_CAPTION";
  style +=
      dialog.system_modal ? " | DS_SYSMODAL | DS_SETFOREGROUND" : " | DS_MODALFRAME | WS_SYSMENU";
  std::string text = std::to_string(dialog.id) + " DIALOGEX " +
                     Rectangle(0, 0, dialog.width, dialog.height) + "\n";
  text += "STYLE " + style + "\n";
  if (dialog.in_taskbar) text += "EXSTYLE WS_EX_APPWINDOW\n";
  text += "CAPTION " + Quoted(dialog.title) + "\n";
  text += "FONT " + std::to_string(dialog.font_points) + ", " + Quoted(dialog.font_name) + "\n";
  text += "BEGIN\n";
  for (const DialogControl& control : dialog.controls) text += ControlLine(control);
  return text + "END\n\n";
}

std::string StringTable(std::span<const StringResource> strings) {
  std::string text = "STRINGTABLE\nBEGIN\n";
  for (const StringResource& entry : strings) {
    text += "    " + std::to_string(entry.id) + ", " + Quoted(entry.text) + "\n";
  }
  return text + "END\n\n";
}

std::string VersionResource(const VersionInfo& info) {
  const auto& v = info.version;
  const std::string commas = std::to_string(v[0]) + ", " + std::to_string(v[1]) + ", " +
                             std::to_string(v[2]) + ", " + std::to_string(v[3]);
  const std::string dotted = std::to_string(v[0]) + "." + std::to_string(v[1]) + "." +
                             std::to_string(v[2]) + "." + std::to_string(v[3]);
  const auto value = [](std::string_view name, std::string_view text) {
    return "            VALUE " + Quoted(name) + ", " + Quoted(text) + "\n";
  };
  std::string text = "1 VERSIONINFO\n";
  text += "FILEVERSION " + commas + "\nPRODUCTVERSION " + commas + "\n";
  text += "FILEFLAGSMASK VS_FFI_FILEFLAGSMASK\nFILEFLAGS 0\nFILEOS VOS_NT_WINDOWS32\n";
  text += "FILETYPE VFT_APP\nFILESUBTYPE VFT2_UNKNOWN\n";
  text += "BEGIN\n    BLOCK \"StringFileInfo\"\n    BEGIN\n        BLOCK \"040904E4\"\n";
  text += "        BEGIN\n";
  text += value("FileDescription", info.file_description);
  text += value("FileVersion", dotted);
  text += value("InternalName", info.product_name);
  text += value("LegalCopyright", info.legal_copyright);
  text += value("OriginalFilename", info.original_filename);
  text += value("ProductName", info.product_name);
  text += value("ProductVersion", dotted);
  text += "        END\n    END\n";
  text += "    BLOCK \"VarFileInfo\"\n    BEGIN\n        VALUE \"Translation\", 0x409, 1252\n";
  return text + "    END\nEND\n";
}

}  // namespace

std::string WriteResourceScript(const ResourceScriptInput& input) {
  std::string text =
      "// The program's resources, written by the build from its resource tables: do not edit.\n"
      "#include \"windows.h\"\n\n"
      "#pragma code_page(1252)\n"
      "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US\n\n";
  text += StringTable(input.strings);
  for (const DialogTemplate* dialog : input.dialogs) text += Dialog(*dialog);
  text += std::to_string(input.icon_id) + " ICON " + Quoted(input.icon_file) + "\n\n";
  text += "// The application manifest (type 24 is RT_MANIFEST).\n";
  text += "1 24 " + Quoted(input.manifest_file) + "\n\n";
  text += VersionResource(input.version_info);
  return text;
}

}  // namespace radlyn::rcgen
