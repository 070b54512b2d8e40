#include "support/folder_copy.h"

#include <string>

#include "platform/file_system.h"

namespace radlyn {

bool CopyFolderContents(std::string_view source_folder, std::string_view destination_folder) {
  if (source_folder.empty() || destination_folder.empty()) return false;
  std::string pattern(source_folder);
  pattern += "*.*";
  return platform::GetFileSystem().CopyTree(pattern, destination_folder);
}

}  // namespace radlyn
