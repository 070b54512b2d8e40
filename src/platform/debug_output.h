// The developer's diagnostic channel (the debugger-output stream on Windows). On Linux the text
// goes to standard error when RADLYN_DEBUG is set, otherwise nowhere. Nothing written here
// reaches the user, the result file or the event log.
#pragma once

#include <string_view>

#include "platform/service.h"

namespace radlyn::platform {

class DebugOutput {
 public:
  virtual ~DebugOutput() = default;
  virtual void Write(std::string_view text) = 0;

  static DebugOutput& Native();
};

inline void WriteDebugOutput(std::string_view text) { Service<DebugOutput>::Get().Write(text); }

}  // namespace radlyn::platform
