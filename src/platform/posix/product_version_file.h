// Reading and writing the product-version stamp of a Linux program file (the 16-byte
// ".radlyn_version" section of product_version_stamp.h). Paths here are native (UTF-8).
#pragma once

#include <optional>
#include <string>

#include "platform/program_file.h"

namespace radlyn::platform {

// The stamped version, or std::nullopt when the file is missing, is no ELF file, has no such
// section or the section does not hold a stamp.
std::optional<ProductVersion> ReadProductVersionFile(const std::string& native_path);

// Overwrites the version of an existing stamp in place (the file keeps its size and layout);
// false when the file carries no stamp or cannot be written.
bool WriteProductVersion(const std::string& native_path, const ProductVersion& version);

}  // namespace radlyn::platform
