// Exposure values from arbitrary exposure-parameter texts: never a read outside the text, and a
// value is -1 exactly when its keyword is missing.
#include "hostlink/exposure_values.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const radlyn::ExposureValues values = radlyn::ExtractExposureValues(text);
  const auto check = [](bool keyword_found, std::int32_t value) {
    if (!keyword_found && value != -1) std::abort();
  };
  const std::size_t xray = text.find("TXRay");
  check(xray != std::string_view::npos && text.find(',', xray) != std::string_view::npos,
        values.exposure_time);
  check(text.find("kV") != std::string_view::npos, values.tube_voltage);
  check(text.find("mA") != std::string_view::npos, values.tube_current);
  return 0;
}
