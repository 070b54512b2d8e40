// Error numbers and their messages. A number is a signed 32-bit value, 0 for success; numbers 0
// to 39 have the messages of a fixed table, every other number (negative ones included) reads
// "Unspecified error". 99 is the number used when no more specific one was left.
#pragma once

#include <cstdint>
#include <string_view>

#include "job/error_numbers.h"

namespace radlyn {

std::string_view GetErrorMessage(std::int32_t number);

}  // namespace radlyn
