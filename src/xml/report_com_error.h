// ReportComError writes a parser error to the debug output, in five pieces: a heading, the code,
// the code's meaning (no line end), the source and the description. The meaning is the parser's
// own text when the error carries one, else the system's text for the code, else a generic
// "IDispatch error #n" or "Unknown error 0x..." form.
#pragma once

#include <cstdint>
#include <string>

#include "platform/xml_parser.h"

namespace radlyn {

// The meaning line's text for an error.
std::string ComErrorMeaning(const platform::XmlError& error);

void ReportComError(const platform::XmlError& error);

}  // namespace radlyn
