// The workstation's 8-bit code pages: ANSI (Windows-1252) for the program's texts, OEM (CP850)
// for the text of Morlund's image record. Conversions never fail: a character without a form in
// the target page becomes '?'. Between ANSI and OEM, Windows first takes a similar character of
// the target page where its best-fit table has one (box-drawing corners and lines become '+', '-').
#pragma once

#include <string>
#include <string_view>

#include "platform/service.h"

namespace radlyn::platform {

class CodePages {
 public:
  virtual ~CodePages() = default;
  virtual std::string AnsiToOem(std::string_view ansi) = 0;
  virtual std::string OemToAnsi(std::string_view oem) = 0;
  virtual std::string AnsiToUtf8(std::string_view ansi) = 0;
  virtual std::string Utf8ToAnsi(std::string_view utf8) = 0;
  // UTF-16 little-endian code units (a byte-order mark is dropped) to ANSI.
  virtual std::string Utf16LeToAnsi(std::u16string_view utf16) = 0;

  static CodePages& Native();
};

inline CodePages& GetCodePages() { return Service<CodePages>::Get(); }

}  // namespace radlyn::platform
