// Exposure values read from the exposure-parameter text of a take, e.g. "TXRay,120,kV,60,mA,7".
//
// Each keyword is searched case-sensitively at its first occurrence, and the number behind it
// read like atoi (blanks and a sign allowed, no digits give 0); a missing keyword gives -1:
// - exposure time: after the first comma that follows "TXRay" (-1 without such a comma);
// - tube voltage: "kV", then one character skipped; tube current: "mA", likewise.
// A keyword at the very end of the text has nothing behind it to read and gives 0.
#pragma once

#include <cstdint>
#include <string_view>

namespace radlyn {

struct ExposureValues {
  std::int32_t exposure_time = -1;
  std::int32_t tube_voltage = -1;
  std::int32_t tube_current = -1;
};

ExposureValues ExtractExposureValues(std::string_view parameters);

}  // namespace radlyn
