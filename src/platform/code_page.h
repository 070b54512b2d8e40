// The workstation's 8-bit code pages: ANSI for the program's texts, OEM for the text of Morlund's
// image record. Which pages these are is the workstation's setting (Windows-1252 and CP850 on a
// Western European one); the ANSI page may be a double-byte one (932 and the other East Asian
// pages), whose characters are one or two bytes long.
//
// Conversions never fail: a character without a form in the target page becomes '?'. Between
// ANSI and OEM, Windows first takes a similar character of the target page where its best-fit
// table has one (the OE ligature becomes 'O', box-drawing corners and lines become '+', '-').
#pragma once

#include <string>
#include <string_view>

#include "platform/service.h"

namespace radlyn::platform {

class CodePages {
 public:
  virtual ~CodePages() = default;
  // The code pages' numbers (1252, 1250, 932, ...; 850, 852, 437, ...).
  virtual unsigned AnsiCodePage() = 0;
  virtual unsigned OemCodePage() = 0;
  // The text with every capital letter of the ANSI code page lowered, character by character:
  // the bytes of a double-byte character are never taken for letters of their own, and a
  // character whose lower-case form the page lacks, or a byte that is no character, stays.
  virtual std::string LowerAnsi(std::string_view ansi) = 0;
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
