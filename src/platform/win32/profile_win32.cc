// The INI profile service on Windows: the system's private-profile functions, ANSI forms.
//
// Two things are done here rather than by the system: a read asks for one character more than
// its limit and cuts the value itself, since the system may cut a quoted value that exactly
// fills the buffer one character short; and line breaks in written names and values become
// blanks, since the system would write them as they are and so start lines of their own (a
// value could forge keys or sections).
#include <algorithm>
#include <string>

#include "platform/profile.h"
#include "platform/win32/windows_api.h"

namespace radlyn::platform {
namespace {

// The longest value a read hands out; larger limits are cut to it so the buffer stays sane.
constexpr std::size_t kMaxReadLimit = std::size_t{1} << 20;

std::string OnOneLine(std::string_view text) {
  std::string line(text);
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return line;
}

class Win32Profile final : public Profile {
 public:
  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback,
                         std::size_t limit, std::string_view path) override {
    limit = std::min(limit, kMaxReadLimit);
    std::string buffer(limit + 2, '\0');
    const DWORD copied = ::GetPrivateProfileStringA(
        std::string(section).c_str(), std::string(key).c_str(), std::string(fallback).c_str(),
        buffer.data(), static_cast<DWORD>(buffer.size()), std::string(path).c_str());
    buffer.resize(std::min<std::size_t>(copied, limit));
    return buffer;
  }

  std::int32_t ReadInt(std::string_view section, std::string_view key, std::int32_t fallback,
                       std::string_view path) override {
    const UINT value =
        ::GetPrivateProfileIntA(std::string(section).c_str(), std::string(key).c_str(), fallback,
                                std::string(path).c_str());
    return static_cast<std::int32_t>(value);
  }

  bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                   std::string_view path) override {
    if (::WritePrivateProfileStringA(OnOneLine(section).c_str(), OnOneLine(key).c_str(),
                                     OnOneLine(value).c_str(), std::string(path).c_str())) {
      return true;
    }
    SetLastErrorFromWin32();
    return false;
  }
};

}  // namespace

Profile& Profile::Native() {
  static Win32Profile profile;
  return profile;
}

}  // namespace radlyn::platform
