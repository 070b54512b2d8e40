// Facts about the workstation and its running programs, for the support checker's report. Each
// call answers what it could find and never fails: a fact that cannot be read comes back empty.
//
// - ComputerName, UserName: the computer's and the calling user's names (Linux: the host name and
//   the account name of the real user id).
// - DesktopFolder: the user's desktop folder with a trailing separator (Windows: the shell's
//   CSIDL_DESKTOPDIRECTORY); empty when there is none. Linux has no fixed desktop: always empty,
//   the caller then uses the current folder.
// - DescribeOthersWriteAccess: whether users other than the owner may create or change files in
//   a folder. Windows: an allow entry of the folder's access list (inherit-only entries aside)
//   that grants write, append, add-file, generic write/all, or may change the list itself, to
//   Everyone, Authenticated Users or the built-in Users group; a missing list grants everyone
//   everything. Linux: the group or other write bit. `known` is false when the folder's access
//   could not be read; `granted_to` names the group(s) found.
// - FindRunningPrograms: the processes whose program file has the given name (compared without
//   regard to case, "radlyn.exe" / "radlyn"), other than the caller, with their program path and
//   how long they have run; a fact that cannot be read (another user's process) is left empty.
// - InstalledProductVersion: the version Windows Installer registered for an installed product of
//   that display name (the DisplayVersion of its entry under the Uninstall key, both registry
//   views); empty when none. Linux has no such register: empty.
// - RunWithUserRights: when this program runs elevated (Windows: its token is elevated, as an
//   administrator's "Run as administrator" is), runs a program as Processes::Run does but with a
//   restricted copy of that token (the Administrators group for deny only, no privileges beyond
//   change-notify), so that code run there has a normal user's rights; it is ended when it is
//   still running at the limit. std::nullopt when this program is not elevated or the restricted
//   start fails: the caller then runs the program with its own rights. Linux: std::nullopt always
//   (the checker cannot know which user's rights to take).
// - IsConsoleOwnedAlone: true when no other program shares this program's console window, as when
//   it was started by a double-click (Windows: GetConsoleProcessList counts one process); the
//   window then closes when the program ends. Linux: false (a terminal outlives its program).
//   WaitForKeyPress waits until a key is pressed in that console.
// - IsFileReplacementPending: true when the system holds a replacement of that file for the next
//   restart (Windows: PendingFileRenameOperations names it); Linux replaces files at once: false.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process.h"

namespace radlyn::platform {

std::string ComputerName();
std::string UserName();
std::string DesktopFolder();

struct FolderAccess {
  bool known = false;
  bool others_may_write = false;
  std::string granted_to;
};
FolderAccess DescribeOthersWriteAccess(std::string_view folder);

struct RunningProgram {
  std::uint32_t process_id = 0;
  std::string path;
  // Where the running image's own bytes can be read: the path on Windows (a running program file
  // cannot be replaced), /proc/<id>/exe on Linux (the path may name a newer file by now).
  std::string image_file;
  std::optional<std::uint64_t> seconds_running;
};
std::vector<RunningProgram> FindRunningPrograms(std::string_view program_file_name);

std::string InstalledProductVersion(std::string_view display_name);
bool IsFileReplacementPending(std::string_view path);
std::optional<ProcessRun> RunWithUserRights(std::string_view program_path,
                                            std::string_view argument_text,
                                            std::uint32_t time_limit_ms);
bool IsConsoleOwnedAlone();
void WaitForKeyPress();

}  // namespace radlyn::platform
