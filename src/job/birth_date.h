// The patient's birth date as the job file gives it: exactly eight characters, year in the first
// four, month in the next two, day in the last two, each read like atoi (leading blanks and a sign
// allowed, no digits give 0). The three must form a real date: year 0 to 9999, month 1 to 12, a
// day that month has (29 February only in leap years).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace radlyn {

struct CalendarDate {
  std::int32_t year = 0;
  std::int32_t month = 0;
  std::int32_t day = 0;
  bool operator==(const CalendarDate&) const = default;
};

// The date, or std::nullopt when the length is wrong or the date does not exist.
std::optional<CalendarDate> ParseBirthDate(std::string_view text);

// The date as handed to the host link: its date type covers the years 100 to 9999, so a date
// before the year 100 becomes -1, -1, -1 (which the host link refuses).
CalendarDate ToHostBirthDate(const CalendarDate& date);

}  // namespace radlyn
