// Program texts are Windows paths already: only a '/' is turned into the '\' that every Win32
// function understands (LoadLibraryEx and the shell do not take '/').
#include <algorithm>

#include "platform/paths.h"

namespace radlyn::platform {

std::string ToNativePath(std::string_view text) {
  std::string native(text);
  std::replace(native.begin(), native.end(), '/', '\\');
  return native;
}

}  // namespace radlyn::platform
