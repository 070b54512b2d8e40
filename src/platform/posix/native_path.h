// Helpers of the Linux backend around paths.h's ToNativePath: looking names up without regard to
// case and handing native names back as program texts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace radlyn::platform {

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
