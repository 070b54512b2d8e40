// ReportComError writes a parser error to the debug output, in five pieces: a heading, the code,
// the code's meaning (no line end), the source and the description. The meaning is the parser's
// own text when the error carries one, else the system's text for the code, else a generic
// "IDispatch error #n" or "Unknown error 0x..." form.
#pragma once

#include <cstdint>
#include <string>

#include "platform/xml_parser.h"

namespace radlyn {

// Codes this layer raises itself, with the system texts that belong to them.
inline constexpr std::uint32_t kComUnspecifiedError = 0x80004005;  // E_FAIL
inline constexpr std::uint32_t kComTypeMismatch = 0x80020005;      // DISP_E_TYPEMISMATCH
inline constexpr std::uint32_t kComOverflow = 0x8002000A;          // DISP_E_OVERFLOW

// The meaning line's text for an error.
std::string ComErrorMeaning(const platform::XmlError& error);

void ReportComError(const platform::XmlError& error);

}  // namespace radlyn
