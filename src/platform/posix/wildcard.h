// File names as the workstation treats them in a folder search.
//
// - MatchWildcard: `*` any run of characters, `?` one character, letters without regard to
//   case; "*.*" matches every name, with or without a dot. A name that is no valid 8.3 name also
//   matches when the pattern matches its short name, as the workstation's system volume keeps one
//   beside every such name: the first three characters of the extension (after the last dot that
//   is not leading) and up to six of the rest, blanks and dots left out, characters a short name
//   cannot hold as '_'. So "*.tif" matches "x.tiff", "x.TIFF", "x.tif~", "x.tif_old" and
//   "Long Name Here.tiff". The short name's base is taken as the first one the volume gives
//   ("LONGNA~1"); later ones, and other systems' forms, differ only there.
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
