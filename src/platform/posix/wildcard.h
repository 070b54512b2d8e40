// File names as the workstation treats them in a folder search.
//
// - MatchWildcard: `*` any run of characters, `?` one character, letters without regard to
//   case; "*.*" matches every name, with or without a dot.
// - SortInFolderOrder: the order in which the workstation's file system lists a folder, and so
//   which file a search finds first: by name without regard to case, the names compared as
//   UTF-16 code units after upper-casing (so "a.bmp" comes before "B.bmp", and "A" before "_").
//   The letters of the ANSI code page are upper-cased; other characters compare as themselves.
//   Names that differ only in case (possible here, not there) follow byte order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace radlyn::platform {

bool HasWildcard(std::string_view pattern);
bool MatchWildcard(std::string_view pattern, std::string_view name);

// Sorts native (UTF-8) file names.
void SortInFolderOrder(std::vector<std::string>& native_names);

}  // namespace radlyn::platform
