// The arguments of a Windows command-line text (declared in process.h), split as the C runtime
// splits its argv.
#include <string>
#include <string_view>
#include <vector>

#include "platform/process.h"

namespace radlyn::platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view text) {
  std::vector<std::string> arguments;
  std::size_t i = 0;
  const std::size_t n = text.size();
  for (;;) {
    while (i < n && IsBlank(text[i])) ++i;
    if (i == n) break;
    std::string argument;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(text[i]))) {
      const char c = text[i];
      if (c == '\\') {
        std::size_t backslashes = 0;
        while (i < n && text[i] == '\\') ++backslashes, ++i;
        if (i < n && text[i] == '"') {
          argument.append(backslashes / 2, '\\');
          if (backslashes % 2 == 1) {
            argument.push_back('"');
            ++i;
          }
        } else {
          argument.append(backslashes, '\\');
        }
      } else if (c == '"') {
        if (quoted && i + 1 < n && text[i + 1] == '"') {
          argument.push_back('"');
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        argument.push_back(c);
        ++i;
      }
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace radlyn::platform
