// The diagnostic channel on Linux: standard error, one line per text, while RADLYN_DEBUG is set.
#include <cstdio>
#include <cstdlib>

#include "platform/debug_output.h"
#include "platform/posix/text_encoding.h"

namespace radlyn::platform {
namespace {

class PosixDebugOutput : public DebugOutput {
 public:
  void Write(std::string_view text) override {
    if (std::getenv("RADLYN_DEBUG") == nullptr) return;
    std::string line = AnsiToNative(text);
    if (line.empty() || line.back() != '\n') line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
  }
};

}  // namespace

DebugOutput& DebugOutput::Native() {
  static PosixDebugOutput output;
  return output;
}

}  // namespace radlyn::platform
