// Error numbers and their messages. A number is a signed 32-bit value, 0 for success; numbers 0
// to 39 have the messages of a fixed table, every other number (negative ones included) reads
// "Unspecified error". 99 is the number used when no more specific one was left.
#pragma once

#include <cstdint>
#include <string_view>

namespace radlyn {

inline constexpr std::int32_t kErrorNone = 0;
inline constexpr std::int32_t kErrorParameter = 2;
inline constexpr std::int32_t kErrorFileCreation = 7;
inline constexpr std::int32_t kErrorFileDeleting = 8;
inline constexpr std::int32_t kErrorDiskSpace = 13;
inline constexpr std::int32_t kErrorSystemConfiguration = 20;
inline constexpr std::int32_t kErrorClientNotInitialized = 27;
inline constexpr std::int32_t kErrorFileIo = 31;
inline constexpr std::int32_t kErrorSizeTooLong = 36;
inline constexpr std::int32_t kErrorUnspecified = 99;

std::string_view GetErrorMessage(std::int32_t number);

}  // namespace radlyn
