// The product version of a Linux program file: an ELF section ".radlyn_version" of 16 bytes, the
// magic text "RDLNVER" with its terminator followed by major, minor, third and fourth as
// little-endian 16-bit numbers. The build stamps radlyn's own; hostsim stamps its Morlund
// program file. ProgramFiles::ReadProductVersion reads it back from the section headers.
#pragma once

#include <cstdint>

namespace radlyn::platform {

inline constexpr const char* kProductVersionSection = ".radlyn_version";
inline constexpr char kProductVersionMagic[8] = {'R', 'D', 'L', 'N', 'V', 'E', 'R', '\0'};
inline constexpr unsigned kProductVersionStampSize = 16;

}  // namespace radlyn::platform

// Places the stamp into the program file that compiles this macro (once per program).
#define RADLYN_PRODUCT_VERSION_STAMP(major, minor, third, fourth)                               \
  extern "C" __attribute__((section(".radlyn_version"), used))                                  \
  const unsigned char radlyn_product_version_stamp[16] = {'R',           'D',                   \
                                                          'L',           'N',                   \
                                                          'V',           'E',                   \
                                                          'R',           '\0',                  \
                                                          (major)&0xFF,  ((major) >> 8) & 0xFF, \
                                                          (minor)&0xFF,  ((minor) >> 8) & 0xFF, \
                                                          (third)&0xFF,  ((third) >> 8) & 0xFF, \
                                                          (fourth)&0xFF, ((fourth) >> 8) & 0xFF}
