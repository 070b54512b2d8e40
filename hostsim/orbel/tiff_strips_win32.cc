// Windows: hostsim's own baseline codec finds the strips.
#include "orbel/tiff_strips.h"

namespace hostsim {

bool ReadTiffStrips(const std::string& path, TiffStrips* strips, std::string* reason) {
  std::string why;
  const FileStatus status = ReadBaselineTiffStrips(path, strips, &why);
  if (status == kFileOk) return true;
  // The codec's own texts name damage and unsupported kinds alike; Orbel's first reason keeps
  // the Linux wording for a file that is no TIFF at all.
  *reason = why == "not a TIFF file" || status == kFileOpenError ? "not a TIFF file" : why;
  return false;
}

}  // namespace hostsim
