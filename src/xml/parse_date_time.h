// ParseDateTime reads the date-time form of XML values: "YYYY-MM-DD", optionally followed by
// "THH:MM:SS" (a blank may stand for the T). With 10 to 18 characters the time is midnight and
// whatever follows the date is ignored; from 19 characters on the time must be complete and
// anything after it is ignored. The date must exist in the Gregorian calendar (year up to 9999)
// and the time must be valid. On success `value` becomes that date-time and the answer is true;
// otherwise `value` is untouched and the answer is false.
#pragma once

#include <string_view>

#include "xml/typed_value.h"

namespace radlyn {

bool ParseDateTime(std::string_view text, TypedValue& value);

}  // namespace radlyn
