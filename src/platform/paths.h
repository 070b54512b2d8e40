// Path texts as the program writes them.
//
// The program's texts are Windows-style: job files and the program's own constants may hold `\`.
// The native separator is what the platform appends when a folder needs a trailing one. On
// Linux both `\` and `/` count as separators and `\` is mapped to `/` on the way to the file
// system; a name that does not exist exactly is resolved case-insensitively, component by
// component (data-folder values arrive lower-cased). Texts are in the ANSI code page
// (Windows-1252) and converted to the file system's UTF-8 at the seam.
#pragma once

#include <string>
#include <string_view>

namespace radlyn::platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr const char* kProgramFileSuffix = ".exe";
inline constexpr const char* kLibraryFileSuffix = ".dll";
inline constexpr bool IsPathSeparator(char c) { return c == '\\'; }
#else
inline constexpr char kPathSeparator = '/';
inline constexpr const char* kProgramFileSuffix = "";
inline constexpr const char* kLibraryFileSuffix = ".so";
inline constexpr bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }
#endif

// `text` with a native separator appended when it is not empty and does not end with one.
inline std::string WithTrailingSeparator(std::string text) {
  if (!text.empty() && !IsPathSeparator(text.back())) text.push_back(kPathSeparator);
  return text;
}

// `text` without its trailing separator (one only).
inline std::string WithoutTrailingSeparator(std::string text) {
  if (!text.empty() && IsPathSeparator(text.back())) text.pop_back();
  return text;
}

// The native path for a program text: separators mapped, ANSI converted, existing names resolved
// without regard to case. Names that do not exist are kept as written (ready to be created).
// Trailing blanks and dots go as Windows drops them: all of them from the last component, a single
// dot from a component before a separator ("out. \" stays "out. ", "out..\" becomes "out.").
// "." and ".." steps are resolved in the text first, as Windows resolves them by name alone; a
// text that they leave empty (".\") is the current folder, ".".
std::string ToNativePath(std::string_view text);

}  // namespace radlyn::platform
