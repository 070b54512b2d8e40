#include "hostlink/exposure_values.h"

#include "support/text_number.h"

namespace radlyn {
namespace {

// The number that starts `skip` characters after the first `keyword`, or -1 without the keyword.
std::int32_t NumberAfter(std::string_view text, std::string_view keyword, std::size_t skip) {
  const std::size_t found = text.find(keyword);
  if (found == std::string_view::npos) return -1;
  const std::size_t start = found + keyword.size() + skip;
  return start < text.size() ? ParseLeadingInt(text.substr(start)) : 0;
}

}  // namespace

ExposureValues ExtractExposureValues(std::string_view parameters) {
  ExposureValues values;
  if (const std::size_t xray = parameters.find("TXRay"); xray != std::string_view::npos) {
    const std::size_t comma = parameters.find(',', xray);
    if (comma != std::string_view::npos) {
      values.exposure_time = ParseLeadingInt(parameters.substr(comma + 1));
    }
  }
  values.tube_current = NumberAfter(parameters, "mA", 1);
  values.tube_voltage = NumberAfter(parameters, "kV", 1);
  return values;
}

}  // namespace radlyn
