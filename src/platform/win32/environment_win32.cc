// Environment variables on Windows: the process's environment block, read with the ANSI
// functions, so values arrive in the ANSI code page and names compare without regard to case.
#include <string>

#include "platform/environment.h"
#include "platform/win32/windows_api.h"

namespace radlyn::platform {
namespace {

// The longest text ExpandEnvironmentStrings produces, terminator included.
constexpr DWORD kMaxExpansion = 32767;

class Win32Environment : public Environment {
 public:
  std::optional<std::string> GetVariable(std::string_view name) override {
    if (name.empty() || name.find('=') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos) {
      return std::nullopt;
    }
    const std::string key(name);
    std::string value(64, '\0');
    for (;;) {
      // An empty value also answers 0: only ERROR_ENVVAR_NOT_FOUND tells a missing variable.
      ::SetLastError(ERROR_SUCCESS);
      const DWORD length =
          ::GetEnvironmentVariableA(key.c_str(), value.data(), static_cast<DWORD>(value.size()));
      if (length == 0) {
        if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::string();
      }
      if (length < value.size()) {  // fitted: the length excludes the terminator
        value.resize(length);
        return value;
      }
      value.assign(length, '\0');  // too small: the length is the size needed
    }
  }

  std::optional<std::string> ExpandEnvironmentText(std::string_view text,
                                                   std::size_t capacity) override {
    if (capacity == 0 || text.find('\0') != std::string_view::npos) return std::nullopt;
    const std::string source(text);
    // The whole expansion is made first, then held against the capacity: a caller's buffer of
    // `capacity` characters would have had to take it with its terminator. The size is asked
    // for first (a buffer that is too small is not handed over), and no expansion is longer than
    // the system's limit of 32767 characters.
    std::string expanded;
    for (;;) {
      const DWORD needed = ::ExpandEnvironmentStringsA(source.c_str(), expanded.data(),
                                                       static_cast<DWORD>(expanded.size()));
      if (needed == 0) {
        SetLastErrorFromWin32();
        return std::nullopt;
      }
      if (needed > kMaxExpansion) {
        SetLastErrorCode(ERROR_INSUFFICIENT_BUFFER);
        return std::nullopt;
      }
      if (!expanded.empty() && needed <= expanded.size()) break;
      expanded.assign(needed, '\0');
    }
    expanded.resize(std::char_traits<char>::length(expanded.c_str()));
    if (expanded.size() + 1 > capacity) return std::nullopt;
    return expanded;
  }
};

}  // namespace

Environment& Environment::Native() {
  static Win32Environment environment;
  return environment;
}

}  // namespace radlyn::platform
