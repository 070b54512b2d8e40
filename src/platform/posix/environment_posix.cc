// Environment variables on Linux. Names are looked up exactly first and then without regard to
// case, since Windows names are case-insensitive and the command line arrives lower-cased
// ("%appdata%"). Values are native (UTF-8) and handed out as program texts.
#include <unistd.h>

#include <cstdlib>

#include "platform/environment.h"
#include "platform/posix/text_case.h"
#include "platform/posix/text_encoding.h"

extern char** environ;

namespace radlyn::platform {
namespace {

std::optional<std::string> NativeVariable(std::string_view name) {
  std::string exact(name);
  if (const char* value = std::getenv(exact.c_str())) return std::string(value);
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    std::string_view definition = *entry;
    std::size_t equals = definition.find('=');
    if (equals == std::string_view::npos) continue;
    if (EqualsIgnoringCase(definition.substr(0, equals), name)) {
      return std::string(definition.substr(equals + 1));
    }
  }
  return std::nullopt;
}

std::optional<std::string> NonEmptyVariable(std::string_view name) {
  std::optional<std::string> value = NativeVariable(name);
  if (value && value->empty()) return std::nullopt;
  return value;
}

// APPDATA, the user's roaming data folder, has its Linux counterpart in the XDG data home.
std::optional<std::string> DefaultVariable(std::string_view name) {
  if (!EqualsIgnoringCase(name, "APPDATA")) return std::nullopt;
  if (std::optional<std::string> data_home = NonEmptyVariable("XDG_DATA_HOME")) return data_home;
  if (std::optional<std::string> home = NonEmptyVariable("HOME")) return *home + "/.local/share";
  return std::nullopt;
}

class PosixEnvironment : public Environment {
 public:
  std::optional<std::string> GetVariable(std::string_view name) override {
    if (name.empty() || name.find('=') != std::string_view::npos) return std::nullopt;
    std::optional<std::string> value = NativeVariable(name);
    if (!value) value = DefaultVariable(name);
    if (!value) return std::nullopt;
    return NativeToAnsi(*value);
  }

  std::optional<std::string> ExpandEnvironmentText(std::string_view text,
                                                   std::size_t capacity) override {
    std::string result;
    while (!text.empty()) {
      std::size_t open = text.find('%');
      std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
      if (close == std::string_view::npos) {
        result.append(text);
        break;
      }
      result.append(text.substr(0, open));
      std::string_view name = text.substr(open + 1, close - open - 1);
      std::optional<std::string> value = GetVariable(name);
      if (value) {
        result.append(*value);
      } else {
        result.append(text.substr(open, close - open + 1));
      }
      text.remove_prefix(close + 1);
      if (result.size() >= capacity) return std::nullopt;
    }
    if (result.size() + 1 > capacity) return std::nullopt;
    return result;
  }
};

}  // namespace

Environment& Environment::Native() {
  static PosixEnvironment environment;
  return environment;
}

}  // namespace radlyn::platform
