// Gregorian calendar checks shared by the birth-date and date-time readers.
#pragma once

#include <cstdint>

namespace radlyn {

constexpr bool IsLeapYear(std::int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

constexpr int DaysInMonth(std::int64_t year, std::int64_t month) {
  constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// True for a date with year 0 to 9999, month 1 to 12 and a day that month has.
constexpr bool IsValidDate(std::int64_t year, std::int64_t month, std::int64_t day) {
  return year >= 0 && year <= 9999 && day >= 1 && day <= DaysInMonth(year, month);
}

}  // namespace radlyn
