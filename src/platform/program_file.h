// The product version stamped into a program file (the file version resource on Windows; an ELF
// section named ".radlyn_version" on Linux, see posix/product_version_stamp.h).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/service.h"

namespace radlyn::platform {

// major, minor, third, fourth
using ProductVersion = std::array<std::uint16_t, 4>;

class ProgramFiles {
 public:
  virtual ~ProgramFiles() = default;
  // The product version of a program file, or std::nullopt when the file is missing or carries
  // none.
  virtual std::optional<ProductVersion> ReadProductVersion(std::string_view path) = 0;

  static ProgramFiles& Native();
};

inline ProgramFiles& GetProgramFiles() { return Service<ProgramFiles>::Get(); }

}  // namespace radlyn::platform
