// A debug output that keeps what is written to it, installed for the object's lifetime.
#pragma once

#include <string>
#include <string_view>

#include "platform/debug_output.h"

namespace radlyn::testing {

class RecordingDebugOutput : public platform::DebugOutput {
 public:
  void Write(std::string_view text) override { text_.append(text); }
  const std::string& text() const { return text_; }
  void Clear() { text_.clear(); }

 private:
  std::string text_;
  platform::ScopedService<platform::DebugOutput> installed_{*this};
};

}  // namespace radlyn::testing
