// Fuzzes the reading of Orbel's Config.xml: arbitrary bytes (8-bit text or, after FF FE, UTF-16)
// are searched for the filter and matched against a few take types. Beyond not crashing, the
// decision must not depend on the encoding: the 8-bit text saved as UTF-16 with its byte-order
// mark, or behind an XML declaration naming windows-1252, ISO-8859-1 or UTF-16 (or behind a
// UTF-8 byte-order mark, for ASCII text), decides the same; and a filter listing the take type
// matches whatever follows it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "hostlink/orbel.h"

namespace {

// Aborts, naming the line of the failed check (the compiler fills in the caller's line).
void Check(bool condition, int line = __builtin_LINE()) {
  if (condition) return;
  std::fprintf(stderr, "check failed at line %d\n", line);
  std::abort();
}

// Windows-1252 bytes 0x80 to 0x9F as Unicode; 0 where the code page leaves the byte undefined.
constexpr char16_t kHigh1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The 8-bit text as a UTF-16LE file with byte-order mark; false when a byte has no character.
bool ToUtf16File(std::string_view text, std::string& file) {
  file = "\xFF\xFE";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const char16_t unit = byte >= 0x80 && byte < 0xA0 ? kHigh1252[byte - 0x80] : byte;
    if (unit == 0) return false;
    file.push_back(static_cast<char>(unit & 0xFF));
    file.push_back(static_cast<char>(unit >> 8));
  }
  return true;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const bool wide = size >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  const std::string_view text = bytes.substr(0, bytes.find('\0'));
  // A filter at the very first position does not count, so nothing may be put before it.
  const bool movable = !wide && !text.starts_with("filter=\"");
  std::string utf16;
  const bool convertible = !wide && ToUtf16File(text, utf16);

  for (std::string_view take_type : {"12XI", "  XI", "36OK", ""}) {
    const bool decided = radlyn::IsTakeTypeInFilterText(take_type, bytes);
    if (convertible) Check(radlyn::IsTakeTypeInFilterText(take_type, utf16) == decided);
    if (movable) {
      for (std::string_view encoding : {"windows-1252", "ISO-8859-1"}) {
        const std::string declared = "<?xml version=\"1.0\" encoding=\"" + std::string(encoding) +
                                     "\"?>\r\n" + std::string(text);
        Check(radlyn::IsTakeTypeInFilterText(take_type, declared) == decided);
      }
      if (IsAscii(text)) {
        Check(radlyn::IsTakeTypeInFilterText(take_type, "\xEF\xBB\xBF" + std::string(text)) ==
              decided);
      }
      std::string declared16;
      if (ToUtf16File("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n" + std::string(text),
                      declared16)) {
        Check(radlyn::IsTakeTypeInFilterText(take_type, declared16) == decided);
      }
    }
    if (!take_type.empty() && !wide) {
      const std::string listed = "<Orbel filter=\"XP,," + std::string(take_type) + "\"/>";
      Check(radlyn::IsTakeTypeInFilterText(take_type, listed + std::string(text)));
      std::string listed16;
      if (ToUtf16File(listed + std::string(text), listed16)) {
        Check(radlyn::IsTakeTypeInFilterText(take_type, listed16));
      }
    }
  }
  return 0;
}
