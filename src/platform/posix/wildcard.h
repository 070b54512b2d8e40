// Wildcard matching of file names as the workstation does it: `*` any run of characters, `?` one
// character, letters without regard to case; "*.*" matches every name, with or without a dot.
#pragma once

#include <string_view>

namespace radlyn::platform {

bool HasWildcard(std::string_view pattern);
bool MatchWildcard(std::string_view pattern, std::string_view name);

}  // namespace radlyn::platform
