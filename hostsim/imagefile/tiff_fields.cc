#include "tiff_fields.h"

#include <algorithm>
#include <cstdio>

#include "hostlink/modules/record_layout.h"

namespace hostsim {

namespace records = radlyn::records;

std::uint32_t TiffRowsPerStrip(std::uint32_t width) {
  return std::max<std::uint32_t>(1, 65536 / (width * 2));
}

std::string TiffDateTime(const std::vector<std::uint8_t>& record) {
  if (record.size() < records::image::kSize) return {};
  const std::uint8_t* r = record.data();
  unsigned year = records::ReadU16(r, records::image::kYear);
  if (year == 0 || year > 9999) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%04u:%02u:%02u %02u:%02u:%02u", year,
                records::ReadU8(r, records::image::kMonth) % 100,
                records::ReadU8(r, records::image::kDay) % 100,
                records::ReadU8(r, records::image::kHour) % 100,
                records::ReadU8(r, records::image::kMinute) % 100,
                records::ReadU8(r, records::image::kSecond) % 100);
  return text;
}

}  // namespace hostsim
