// CopyFolderContents: copies everything inside one folder (files and sub-folders with all their
// content) into another, overwriting existing files without asking and creating the destination
// when it is missing. Both texts end with a path separator. Answers false for a missing or empty
// source or destination text and when the platform's copy fails.
#pragma once

#include <string_view>

namespace radlyn {

bool CopyFolderContents(std::string_view source_folder, std::string_view destination_folder);

}  // namespace radlyn
