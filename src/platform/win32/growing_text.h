// ReadGrowingText: a text of unknown length from a Win32 query that writes into a buffer of the
// size it is given and answers the length it wrote or, when the buffer is too small, the size it
// needs. std::nullopt when the query answers 0 (failed; its error stays in GetLastError).
#pragma once

#include <optional>
#include <string>

#include "platform/win32/windows_api.h"

namespace radlyn::platform::win32 {

template <typename Char, typename Query>
std::optional<std::basic_string<Char>> ReadGrowingText(Query query) {
  std::basic_string<Char> text(MAX_PATH, Char{});
  for (;;) {
    const DWORD length = query(text.data(), static_cast<DWORD>(text.size()));
    if (length == 0) return std::nullopt;
    if (length < text.size()) {
      text.resize(length);
      return text;
    }
    text.assign(text.size() * 2 > length ? text.size() * 2 : length + 1, Char{});
  }
}

}  // namespace radlyn::platform::win32
