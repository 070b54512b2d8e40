// Conversion of a node's value to the data type its document declares ("int", "boolean").
// A value that cannot be converted is raised as platform::XmlError: platform::kWinTypeMismatch for
// text of the wrong form, platform::kWinOverflow for an integer outside 32 bits.
//
// - integer: an empty value gives 0; text must be a decimal integer (optional sign, at least one
//   digit, blanks and line breaks around it allowed); the empty text cannot be converted.
// - boolean: an empty value gives false; text "true" or "false" in any letter case, or a decimal
//   integer (0 false, anything else true), blanks around allowed.
// Values already of the target kind are returned unchanged.
#pragma once

#include "platform/windows_codes.h"
#include "xml/typed_value.h"

namespace radlyn {

TypedValue ConvertToInteger(const TypedValue& value);
TypedValue ConvertToBoolean(const TypedValue& value);

}  // namespace radlyn
