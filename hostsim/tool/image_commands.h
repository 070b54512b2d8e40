// `hostsim make-image FILE` writes a synthetic X-ray as Morlund would store it (a TIFF with its
// record, or a BMP); `hostsim inspect FILE` prints what an image file holds, one key=value per
// line, so scripts and tests can check images without a TIFF library.
#pragma once

#include <cstdint>
#include <string>

namespace hostsim {

struct MakeImageOptions {
  std::string file;
  std::uint32_t width = 1300;
  std::uint32_t height = 1700;
  unsigned bits = 16;
  std::uint32_t lut_entries = 4096;
  std::uint32_t seed = 1;
  std::string take_type = "  XI";
  std::string extension_ini;  // non-empty: store an extension block with these settings
};

// 0 on success; otherwise a message on standard error and 1.
int MakeImage(const MakeImageOptions& options);
int Inspect(const std::string& file);

}  // namespace hostsim
