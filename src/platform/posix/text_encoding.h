// Conversion between the text encodings the Linux backend meets: the workstation's ANSI (Windows-
// 1252) and OEM (CP850) code pages, the file system's UTF-8 and UTF-16LE. Conversion never fails:
// a character without a form in the target encoding, or an invalid input sequence, becomes '?'.
#pragma once

#include <string>
#include <string_view>

namespace radlyn::platform {

enum class TextEncoding { kAnsi, kOem, kUtf8, kUtf16Le };

std::string ConvertText(std::string_view bytes, TextEncoding from, TextEncoding to);

// Program text (ANSI) to the file system's UTF-8 and back.
inline std::string AnsiToNative(std::string_view ansi) {
  return ConvertText(ansi, TextEncoding::kAnsi, TextEncoding::kUtf8);
}
inline std::string NativeToAnsi(std::string_view native) {
  return ConvertText(native, TextEncoding::kUtf8, TextEncoding::kAnsi);
}

}  // namespace radlyn::platform
