// Writing whole buffers to file descriptors, retrying short writes and interruptions.
#pragma once

#include <string_view>

namespace radlyn::platform {

// Writes every byte of `bytes` to `fd`; false (errno set) when a write fails.
bool WriteAll(int fd, std::string_view bytes);

}  // namespace radlyn::platform
