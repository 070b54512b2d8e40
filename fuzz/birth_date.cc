// Birth dates as the job file may hold them: any accepted text is eight characters forming a real
// date, and what the host link receives is that date or -1, -1, -1.
#include "job/birth_date.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "support/calendar.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<radlyn::CalendarDate> date = radlyn::ParseBirthDate(text);
  if (!date) return 0;
  if (text.size() != 8 || !radlyn::IsValidDate(date->year, date->month, date->day)) std::abort();
  const radlyn::CalendarDate host = radlyn::ToHostBirthDate(*date);
  if (host.year != -1 && !(host == *date && host.year >= 100)) std::abort();
  return 0;
}
