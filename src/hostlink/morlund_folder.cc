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

// The folder part of the server's command line: everything up to and including its last
// separator, as stored (quotes and arguments stay). Empty when no separator is followed by at
// least one character.
std::string FolderOfServerValue(const std::string& value) {
  const auto last = std::find_if(value.rbegin(), value.rend(), platform::IsPathSeparator);
  if (last == value.rend() || last == value.rbegin()) return {};
  return value.substr(0, static_cast<std::size_t>(value.rend() - last));
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
