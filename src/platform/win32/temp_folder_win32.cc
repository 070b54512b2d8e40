#include <optional>

#include "platform/win32/com_text.h"
#include "platform/win32/growing_text.h"
#include "platform/win32/temp_folder.h"
#include "platform/win32/windows_api.h"

namespace radlyn::platform::win32 {
namespace {

// A UTF-16 text of unknown length; empty when the query fails.
template <typename Query>
std::wstring ReadWide(Query query) {
  return ReadGrowingText<wchar_t>(query).value_or(std::wstring());
}

// The ANSI form of `wide` when it names the same thing (it converts back unchanged).
std::optional<std::string> ExactAnsi(const std::wstring& wide) {
  std::string ansi = AnsiFromWide(wide);
  if (ansi.empty() || WideFromAnsi(ansi) != wide) return std::nullopt;
  return ansi;
}

}  // namespace

std::string AnsiTempFolder() {
  const std::wstring folder =
      ReadWide([](wchar_t* buffer, DWORD size) { return ::GetTempPathW(size, buffer); });
  if (folder.empty()) return {};
  if (std::optional<std::string> ansi = ExactAnsi(folder)) return *ansi;
  const std::wstring short_form = ReadWide([&folder](wchar_t* buffer, DWORD size) {
    return ::GetShortPathNameW(folder.c_str(), buffer, size);
  });
  if (std::optional<std::string> ansi = ExactAnsi(short_form)) return *ansi;
  return {};
}

}  // namespace radlyn::platform::win32
