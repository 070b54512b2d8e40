// The diagnostic channel on Windows: the debugger-output stream, which a debugger or a capture
// tool shows and which is otherwise dropped.
#include <string>

#include "platform/debug_output.h"
#include "platform/win32/windows_api.h"

namespace radlyn::platform {
namespace {

class Win32DebugOutput : public DebugOutput {
 public:
  void Write(std::string_view text) override {
    // The channel takes a terminated text: whatever follows an embedded zero is not sent.
    const std::string line(text.substr(0, text.find('\0')));
    ::OutputDebugStringA(line.c_str());
  }
};

}  // namespace

DebugOutput& DebugOutput::Native() {
  static Win32DebugOutput output;
  return output;
}

}  // namespace radlyn::platform
