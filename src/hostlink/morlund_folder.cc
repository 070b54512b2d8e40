#include "hostlink/morlund_folder.h"

#include <algorithm>
#include <cctype>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace radlyn {
namespace {

// The registration value is read into a buffer of this many bytes, terminator included; a
// longer value does not fit and counts as unreadable.
constexpr std::size_t kValueBufferSize = 260;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The program path of the server's command line, read as COM reads it to start the server:
// leading blanks skipped; a quoted path up to its closing quote; an unquoted one up to the first
// ".exe" (any case) followed by a blank or the end, so that arguments (which may hold
// separators: "/log=C:\Temp\ole.log") and blanks inside the path are told apart. A value with no
// such ".exe" (Linux names the program file without suffix or arguments) is taken whole.
std::string_view ServerProgramPath(std::string_view value) {
  while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  if (!value.empty() && value.front() == '"') {
    value.remove_prefix(1);
    return value.substr(0, value.find('"'));
  }
  constexpr std::string_view kProgramSuffix = ".exe";
  for (std::size_t at = 0; at + kProgramSuffix.size() <= value.size(); ++at) {
    const std::size_t end = at + kProgramSuffix.size();
    const bool suffix =
        std::equal(kProgramSuffix.begin(), kProgramSuffix.end(), value.begin() + at,
                   [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    if (suffix && (end == value.size() || IsBlank(value[end]))) return value.substr(0, end);
  }
  return value;
}

// The folder part of the server's program path: everything up to and including its last
// separator. Empty when no separator is followed by at least one character.
std::string FolderOfServerValue(std::string_view value) {
  const std::string_view path = ServerProgramPath(value);
  const auto last = std::find_if(path.rbegin(), path.rend(), platform::IsPathSeparator);
  if (last == path.rend() || last == path.rbegin()) return {};
  return std::string(path.substr(0, static_cast<std::size_t>(path.rend() - last)));
}

}  // namespace

std::string MorlundProgramFileName() {
  return std::string("morlund") + platform::kProgramFileSuffix;
}

std::string GetMorlundFolder() {
  std::string folder;
  auto& registry = platform::GetRegistry();
  // COM starts the server from its ServerExecutable value when there is one.
  auto value = registry.ReadClassesRootValue(kMorlundServerKey, "ServerExecutable");
  if (!value || !value->is_string || value->data.empty()) {
    value = registry.ReadClassesRootDefault(kMorlundServerKey);
  }
  if (value && value->is_string && value->data.size() < kValueBufferSize) {
    folder = FolderOfServerValue(value->data);
  }
  if (folder.empty() && platform::GetFileSystem().Exists(std::string(kFixedMorlundFolder) +
                                                         MorlundProgramFileName())) {
    folder = kFixedMorlundFolder;
  }
  return folder;
}

}  // namespace radlyn
