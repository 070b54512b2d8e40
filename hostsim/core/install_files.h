// Writing the files of an installation: whole files, copies of built files and the hostsim.ini
// sections of a switch table. Each answers false with a message in `error` when it fails.
#pragma once

#include <filesystem>
#include <span>
#include <string>

#include "core/switches.h"

namespace hostsim {

// Writes `content` byte for byte, replacing the file (or appending to it).
bool WriteInstallFile(const std::filesystem::path& path, const std::string& content,
                      std::string* error, bool append = false);
// Copies a built file into the installation, replacing an older copy.
bool CopyInstallFile(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::string* error);
// The switches of `table` as hostsim.ini sections: each with its comment and its default (with
// "{DIR}" replaced by `folder`).
std::string SwitchSectionsText(std::span<const SwitchEntry> table, const std::string& folder);

}  // namespace hostsim
