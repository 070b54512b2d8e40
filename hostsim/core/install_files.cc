#include "core/install_files.h"

#include <fstream>
#include <system_error>

namespace hostsim {

bool WriteInstallFile(const std::filesystem::path& path, const std::string& content,
                      std::string* error, bool append) {
  std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  out << content;
  out.close();
  if (!out) {
    *error = "cannot write " + path.string();
    return false;
  }
  return true;
}

bool CopyInstallFile(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::string* error) {
  std::error_code code;
  // Removed first: in the Windows runtime copy_file fails on an existing file ("File exists")
  // even when told to overwrite it.
  std::filesystem::remove(to, code);
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, code);
  if (code) {
    *error = "cannot copy " + from.string() + " to " + to.string() + ": " + code.message();
    return false;
  }
  return true;
}

std::string SwitchSectionsText(std::span<const SwitchEntry> table, const std::string& folder) {
  std::string text;
  std::string section;
  for (const SwitchEntry& entry : table) {
    if (section != entry.section) {
      section = entry.section;
      text += "\n[" + section + "]\n";
    }
    text += std::string("; ") + entry.comment + "\n";
    text += std::string(entry.key) + "=" + SwitchDefaultFor(entry, folder) + "\n";
  }
  return text;
}

}  // namespace hostsim
