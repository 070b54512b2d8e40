#include "platform/last_error.h"

namespace radlyn::platform {
namespace {

thread_local std::uint32_t last_error_code = 0;

}  // namespace

std::uint32_t GetLastErrorCode() { return last_error_code; }

void SetLastErrorCode(std::uint32_t code) { last_error_code = code; }

}  // namespace radlyn::platform
