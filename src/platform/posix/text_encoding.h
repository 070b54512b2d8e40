// Conversion between the text encodings the Linux backend meets: the workstation's ANSI and OEM
// code pages, the file system's UTF-8, UTF-16LE and UTF-32LE. Conversion never fails: a character
// without a form in the target encoding, or an invalid input sequence, becomes '?'.
//
// The ANSI code page is Windows-1252 unless RADLYN_ANSI_CODE_PAGE names another one the system's
// conversion tables know (1250, 1251, 932, ...), as a workstation set up for another language
// has; it is read once per process. The OEM code page is CP850.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace radlyn::platform {

enum class TextEncoding { kAnsi, kOem, kUtf8, kUtf16Le, kUtf32Le };

unsigned AnsiCodePageNumber();
constexpr unsigned kOemCodePageNumber = 850;

std::string ConvertText(std::string_view bytes, TextEncoding from, TextEncoding to);

// One character of ANSI text: its length in bytes (1, or 2 for a double-byte character of an
// East Asian page) and its code point. Length 0 when the bytes at the start of the text form no
// character of the page.
struct AnsiCharacter {
  std::size_t length = 0;
  char32_t code_point = 0;
};
AnsiCharacter DecodeAnsiCharacter(std::string_view ansi);
// The ANSI form of one code point; empty when the page has none.
std::string EncodeAnsiCharacter(char32_t code_point);

// Program text (ANSI) to the file system's UTF-8 and back.
inline std::string AnsiToNative(std::string_view ansi) {
  return ConvertText(ansi, TextEncoding::kAnsi, TextEncoding::kUtf8);
}
inline std::string NativeToAnsi(std::string_view native) {
  return ConvertText(native, TextEncoding::kUtf8, TextEncoding::kAnsi);
}

}  // namespace radlyn::platform
