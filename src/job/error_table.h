// The messages of the client's error numbers (error_numbers.h names them). Numbers 0 to
// kErrorMessageCount - 1 have the messages of a fixed table, every other number (negative ones
// included) reads "Unspecified error".
#pragma once

#include <cstdint>
#include <string_view>

#include "support/error_numbers.h"

namespace radlyn {

std::string_view GetErrorMessage(std::int32_t number);

}  // namespace radlyn
