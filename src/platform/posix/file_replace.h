// Whole-file reads and atomic replacement of native files, for the INI-backed services.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace radlyn::platform {

// The content of a native regular file; std::nullopt (and the last error set) when it is no
// regular file or cannot be opened or read. `missing` tells the caller that it does not exist at
// all; `opened` that it was opened as a regular file, so a failure came from reading it.
std::optional<std::string> ReadNativeFile(const std::string& native_path, bool* missing = nullptr,
                                          bool* opened = nullptr);

// Replaces the native file `native_path` (or creates it, never its folder) with `content`: the
// bytes go to a new sibling file that is synced and then renamed over the old one, so readers
// see either the old or the new file, never a part. An existing file must be writable and keeps
// its mode; a symbolic link is followed and its target replaced. On failure the old file is
// untouched, no sibling remains, the last error is set and the answer is false. In a folder that
// refuses the sibling (no right to create or delete there) an existing file is written in place
// instead, as Windows writes it.
bool ReplaceNativeFile(const std::string& native_path, std::string_view content);

// Renames the native file `from` to `to` (see FileSystem::RenameFile): `from`'s content is synced
// first and the folder afterwards, so the new name never stands for a file not yet on disk. On
// failure nothing changes, the last error is set and the answer is false.
bool RenameNativeFile(const std::string& from, const std::string& to);

// Creates `native_path` as a new regular file for this process alone to write (see
// FileSystem::CreateOwnFile): O_CREAT|O_EXCL|O_NOFOLLOW, so nothing that stands there, a link
// least of all, is opened or followed. Null (last error set) on failure.
std::unique_ptr<OwnFile> CreateNativeOwnFile(const std::string& native_path);

}  // namespace radlyn::platform
