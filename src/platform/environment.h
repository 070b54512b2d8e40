// Environment variables and `%NAME%` expansion.
//
// ExpandEnvironmentText replaces every `%NAME%` whose variable is set by its value; unknown
// names and a lone `%` stay as written. `APPDATA`, when unset, stands for `$XDG_DATA_HOME`, else
// `$HOME/.local/share` (Linux). The result must fit `capacity` characters including the
// terminator of the Windows buffer it models: a longer expansion answers std::nullopt and writes
// nothing anywhere.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/service.h"

namespace radlyn::platform {

inline constexpr std::size_t kMaxPath = 260;  // characters of a path buffer, terminator included

class Environment {
 public:
  virtual ~Environment() = default;
  virtual std::optional<std::string> GetVariable(std::string_view name) = 0;
  virtual std::optional<std::string> ExpandEnvironmentText(std::string_view text,
                                                           std::size_t capacity) = 0;

  static Environment& Native();
};

inline Environment& GetEnvironment() { return Service<Environment>::Get(); }

}  // namespace radlyn::platform
