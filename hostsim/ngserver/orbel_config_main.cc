// hostsim-orbel-config: rewrites the Config.xml of a hostsim installation's Orbel data folder.
//
//   hostsim-orbel-config DIR [--filter TEXT] [--utf16]
//
// Writes DIR/OrbelData/Config.xml with the filter TEXT (default ??XI), as 8-bit text or, with
// --utf16, as UTF-16LE with its byte-order mark.
#include <cstdio>
#include <string>
#include <string_view>

#include "ngserver/ng_install.h"

int main(int argc, char** argv) {
  std::string folder;
  std::string filter = hostsim::kDefaultOrbelFilter;
  bool utf16 = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--filter" && i + 1 < argc) {
      filter = argv[++i];
    } else if (arg == "--utf16") {
      utf16 = true;
    } else if (folder.empty() && !arg.empty() && arg[0] != '-') {
      folder = arg;
    } else {
      std::fputs("usage: hostsim-orbel-config DIR [--filter TEXT] [--utf16]\n", stderr);
      return 64;
    }
  }
  if (folder.empty()) {
    std::fputs("usage: hostsim-orbel-config DIR [--filter TEXT] [--utf16]\n", stderr);
    return 64;
  }
  std::string error;
  if (!hostsim::WriteOrbelConfig(folder + "/OrbelData/Config.xml", filter, utf16, &error)) {
    std::fprintf(stderr, "hostsim-orbel-config: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
