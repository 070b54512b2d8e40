// Shared by the probes. The one-line form of texts in their query and answer files: bytes outside
// '!'..'~' and
// '%' as %XX, the empty text as a lone '%'. Fields are separated by blanks.
#pragma once

#include <string>
#include <vector>

namespace radlyn::differential {

std::string EscapeField(const std::string& bytes);
std::string UnescapeField(const std::string& field);

// The blank-separated fields of a line.
std::vector<std::string> SplitFields(const std::string& line);

// The whole content of a file as bytes (empty when it cannot be read).
std::string ReadBytes(const std::string& path);

}  // namespace radlyn::differential
