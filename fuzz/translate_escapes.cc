// The escape convention in both directions. Decoding an encoded text gives it back when the text
// holds none of the escaped forms and no '|' (a '|' beside an inserted escape could form another).
#include "support/translate_escapes.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string decoded = radlyn::TranslateEscapes(text, false);
  const std::string encoded = radlyn::TranslateEscapes(text, true);
  if (decoded.size() > text.size()) std::abort();  // every escape is longer than its plain form
  if (radlyn::TranslateEscapes(encoded, false) != text && text.find('|') == std::string::npos &&
      text.find("&#x27;") == std::string_view::npos) {
    std::abort();
  }
  return 0;
}
