// Fuzzes the reading of Orbel's Config.xml: arbitrary bytes (8-bit text or, after FF FE, UTF-16)
// are searched for the filter and matched against a few take types. Beyond not crashing, the
// decision must not depend on the encoding of plain ASCII content.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "hostlink/orbel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const char* take_type : {"12XI", "  XI", "36OK", ""}) {
    const bool decided = radlyn::IsTakeTypeInFilterText(take_type, bytes);
    const std::string_view text = bytes.substr(0, bytes.find('\0'));
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
      std::string utf16 = "\xFF\xFE";
      for (char c : text) {
        utf16.push_back(c);
        utf16.push_back('\0');
      }
      if (radlyn::IsTakeTypeInFilterText(take_type, utf16) != decided) std::abort();
    }
  }
  return 0;
}
