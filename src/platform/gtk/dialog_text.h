// Dialog texts as GTK shows them.
//
// Dialog and button texts use '&' to mark the mnemonic character and "&&" for a literal '&';
// GTK marks it with '_'. ToMnemonicText converts the first form to the second, doubling every
// literal '_' so it is not taken as a mark; a trailing lone '&' is dropped, as it marks nothing.
#pragma once

#include <string>
#include <string_view>

namespace radlyn::platform {

inline std::string ToMnemonicText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '_') {
      out += "__";
    } else if (c != '&') {
      out += c;
    } else if (i + 1 < text.size() && text[i + 1] == '&') {
      out += '&';
      ++i;
    } else if (i + 1 < text.size()) {
      out += '_';
    }
  }
  return out;
}

}  // namespace radlyn::platform
