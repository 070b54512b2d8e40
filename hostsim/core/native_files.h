// The few file operations of hostsim that radlyn's platform layer does not offer in the form
// hostsim needs, on native paths (UTF-8 on Linux, the ANSI code page on Windows). One
// implementation per operating system: native_files_posix.cc, native_files_win32.cc.
#pragma once

#include <string>
#include <string_view>

namespace hostsim::native {

// Appends `bytes` to `path` (created when missing) in a single write at the file's end, so that
// lines appended by several processes never interleave. False when the file cannot be written.
bool AppendInOneWrite(const std::string& path, std::string_view bytes);

// A new, empty file beside `path` ("<path>.hostsim-XXXXXX") to write into before it replaces
// `path`; on Linux it has the mode of the file it replaces (else what the umask allows). Empty
// text when the folder takes no new file.
std::string CreateSibling(const std::string& path);

// Moves `from` to `to`, replacing a file of that name.
bool MoveOver(const std::string& from, const std::string& to);

bool RemoveFile(const std::string& path);

// True when `path` exists and is not a plain file (a folder, a device, ...).
bool IsOtherThanFile(const std::string& path);

}  // namespace hostsim::native
