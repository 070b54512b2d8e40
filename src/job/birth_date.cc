#include "job/birth_date.h"

#include "support/calendar.h"
#include "support/text_number.h"

namespace radlyn {

std::optional<CalendarDate> ParseBirthDate(std::string_view text) {
  if (text.size() != 8) return std::nullopt;
  CalendarDate date{ParseLeadingInt(text.substr(0, 4)), ParseLeadingInt(text.substr(4, 2)),
                    ParseLeadingInt(text.substr(6, 2))};
  if (!IsValidDate(date.year, date.month, date.day)) return std::nullopt;
  return date;
}

CalendarDate ToHostBirthDate(const CalendarDate& date) {
  if (date.year < 100) return {-1, -1, -1};
  return date;
}

}  // namespace radlyn
