// Helpers of the Linux backend around paths.h's ToNativePath: looking names up without regard to
// case and handing native names back as program texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace radlyn::platform {

// Whether a program text is refused as a path the way Windows' ANSI file functions refuse it,
// as the error they answer (0: accepted):
// - 3 at exactly 260 characters and 206 beyond (MAX_PATH, its terminator included; the text as
//   given, before mapping);
// - 123 for a component holding < > : " | ? * or a control character (`?` and `*` may stand in
//   the last component of a search pattern; a drive's colon, "C:", is no component's);
// - 123 for a reserved device name as the last component: CON, PRN, AUX, NUL, COM1 to COM9 and
//   LPT1 to LPT9, in any case, with or without an extension and trailing blanks or dots. Windows
//   would open the device; here such a name is refused rather than written to or read from.
//   Names of folders further up are looked up as they are, as Windows does.
enum class PathUse { kName, kSearchPattern };
std::uint32_t WindowsPathRefusal(std::string_view text, PathUse use = PathUse::kName);

// The text as Windows reads it before it reaches a file system: "." steps dropped, a ".." step
// taking the component before it away (never the root, a drive or a share's server and share; at
// the start of a relative path it stays). A text without such steps comes back unchanged.
std::string ResolveDotSteps(std::string_view text);

// The one gate of the Linux file and profile services: the native path for a program text, or
// std::nullopt with Windows' own error as the last error when Windows would refuse the text (see
// WindowsPathRefusal) or it starts with a drive, which Linux does not have (3, as Windows answers
// for a missing drive).
std::optional<std::string> CheckedNativePath(std::string_view text, PathUse use = PathUse::kName);

// The name of an entry of the native folder `native_dir` ("" for the current folder) that equals
// `ansi_name` without regard to case: the exact name when it exists, else the first match in
// sorted order; std::nullopt when none matches or the folder cannot be read.
std::optional<std::string> FindNameIgnoringCase(const std::string& native_dir,
                                                std::string_view ansi_name);

// The native folder part of a native path ("" when it has none), and its last component.
std::string NativeParent(const std::string& native_path);
std::string NativeLastComponent(const std::string& native_path);

// Joins a native folder and a name with one '/'.
std::string JoinNative(const std::string& native_dir, std::string_view name);

}  // namespace radlyn::platform
