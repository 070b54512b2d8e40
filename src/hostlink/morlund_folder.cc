#include "hostlink/morlund_folder.h"

#include <algorithm>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace radlyn {
namespace {

// The registration value is read into a buffer of this many bytes, terminator included; a
// longer value does not fit and counts as unreadable.
constexpr std::size_t kValueBufferSize = 260;

// The program path of the server's command line. A path with blanks is registered in double
// quotes, often followed by arguments: then the path is the text between the quotes, since the
// opening quote would otherwise start every module path made from the folder. An unquoted value
// is taken whole.
std::string_view ServerProgramPath(std::string_view value) {
  if (value.empty() || value.front() != '"') return value;
  value.remove_prefix(1);
  return value.substr(0, value.find('"'));
}

// The folder part of the server's program path: everything up to and including its last
// separator (arguments after an unquoted path stay as long as they hold no separator). Empty
// when no separator is followed by at least one character.
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
  const auto value = platform::GetRegistry().ReadClassesRootDefault(kMorlundServerKey);
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
