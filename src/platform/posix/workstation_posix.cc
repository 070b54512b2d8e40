// The workstation's facts on Linux: the host and account names, the folder's write bits, and the
// running programs from /proc.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/code_page.h"
#include "platform/paths.h"
#include "platform/workstation.h"

namespace radlyn::platform {
namespace {

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// Seconds since the process started: its start in clock ticks after boot (field 22 of
// /proc/<id>/stat, counted after the command name's closing bracket) against the uptime.
std::optional<std::uint64_t> SecondsRunning(const std::string& process_folder) {
  std::ifstream stat(process_folder + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  for (int number = 3; number <= 22 && fields >> field; ++number) {
    if (number != 22) continue;
    double uptime = 0;
    std::ifstream uptime_file("/proc/uptime");
    if (!(uptime_file >> uptime)) return std::nullopt;
    const double started = std::stod(field) / static_cast<double>(::sysconf(_SC_CLK_TCK));
    return uptime > started ? static_cast<std::uint64_t>(uptime - started) : 0;
  }
  return std::nullopt;
}

}  // namespace

std::string ComputerName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return GetCodePages().Utf8ToAnsi(name);
}

std::string UserName() {
  const passwd* entry = ::getpwuid(::getuid());
  return entry == nullptr ? std::string() : GetCodePages().Utf8ToAnsi(entry->pw_name);
}

std::string DesktopFolder() { return {}; }

FolderAccess DescribeOthersWriteAccess(std::string_view folder) {
  FolderAccess access;
  struct stat status {};
  if (::stat(ToNativePath(folder).c_str(), &status) != 0) return access;
  access.known = true;
  if (status.st_mode & S_IWGRP) access.granted_to = "group";
  if (status.st_mode & S_IWOTH)
    access.granted_to += access.granted_to.empty() ? "others" : ", others";
  access.others_may_write = !access.granted_to.empty();
  return access;
}

std::vector<RunningProgram> FindRunningPrograms(std::string_view program_file_name) {
  std::vector<RunningProgram> found;
  const std::string own = std::to_string(::getpid());
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string id = entry.path().filename().string();
    if (id.empty() || !std::all_of(id.begin(), id.end(), ::isdigit) || id == own) continue;
    std::error_code link_error;
    std::string path = std::filesystem::read_symlink(entry.path() / "exe", link_error).string();
    std::string name;
    if (link_error) {
      // Another user's process: its program file cannot be read, its command name can.
      std::ifstream comm(entry.path() / "comm");
      std::getline(comm, name);
      path.clear();
    } else {
      constexpr std::string_view kDeleted = " (deleted)";
      if (path.ends_with(kDeleted)) path.erase(path.size() - kDeleted.size());
      name = std::filesystem::path(path).filename().string();
    }
    if (!SameNameIgnoringCase(name, program_file_name)) continue;
    const std::string image = path.empty() ? std::string() : (entry.path() / "exe").string();
    found.push_back({static_cast<std::uint32_t>(std::stoul(id)), GetCodePages().Utf8ToAnsi(path),
                     image, SecondsRunning(entry.path().string())});
  }
  return found;
}

std::string InstalledProductVersion(std::string_view) { return {}; }

bool IsFileReplacementPending(std::string_view) { return false; }

std::optional<ProcessRun> RunWithUserRights(std::string_view, std::string_view, std::uint32_t) {
  return std::nullopt;
}

bool IsConsoleOwnedAlone() { return false; }

void WaitForKeyPress() { std::getchar(); }

}  // namespace radlyn::platform
