// Finding a named section in an ELF file (32 or 64 bits, either byte order) through its section
// headers. Every offset and size is checked against the file's size: a truncated or malformed
// file answers std::nullopt, never reads outside the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace radlyn::platform {

// Reads exactly `size` bytes at `offset` into `out`; false when that is not possible.
using ElfByteReader =
    std::function<bool(std::uint64_t offset, std::size_t size, unsigned char* out)>;

struct ElfSection {
  std::uint64_t offset = 0;  // in the file
  std::uint64_t size = 0;
};

// The file range of the section named `name`, which lies wholly inside the file.
std::optional<ElfSection> FindElfSection(const ElfByteReader& read, std::uint64_t file_size,
                                         std::string_view name);

}  // namespace radlyn::platform
