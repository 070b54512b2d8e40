// The Windows build has no libtiff (the cross compiler comes without it): TIFF files are
// hostsim's own baseline codec's, which writes the same bytes as libtiff does on Linux.
#include "baseline_tiff.h"
#include "tiff_file.h"

namespace hostsim {

FileStatus WriteTiff(const std::string& path, const StoredImage& stored, std::string* reason) {
  return WriteBaselineTiff(path, stored, reason);
}

FileStatus ReadTiff(const std::string& path, StoredImage* stored, std::string* reason) {
  return ReadBaselineTiff(path, stored, reason);
}

}  // namespace hostsim
