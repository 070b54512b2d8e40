// The workstation's code pages on Linux (text_encoding.h says which): lower-casing through
// Unicode, and the conversions with iconv. Towards the OEM page, and from OEM to Windows-1252,
// the conversion takes Windows' best-fit characters (oem_best_fit.h, ansi_best_fit.h), as the
// system's ANSI <-> OEM conversion on Windows does.
#include "platform/code_page.h"
#include "platform/posix/ansi_best_fit.h"
#include "platform/posix/oem_best_fit.h"
#include "platform/posix/text_case.h"
#include "platform/posix/text_encoding.h"

namespace radlyn::platform {
namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;

class PosixCodePages : public CodePages {
 public:
  unsigned AnsiCodePage() override { return AnsiCodePageNumber(); }
  unsigned OemCodePage() override { return kOemCodePageNumber; }
  std::string LowerAnsi(std::string_view ansi) override { return LowerAnsiText(ansi); }
  std::string AnsiToOem(std::string_view ansi) override {
    return Utf8ToOemBestFit(ConvertText(ansi, TextEncoding::kAnsi, TextEncoding::kUtf8));
  }
  std::string OemToAnsi(std::string_view oem) override {
    return Utf8ToAnsiBestFit(ConvertText(oem, TextEncoding::kOem, TextEncoding::kUtf8));
  }
  std::string AnsiToUtf8(std::string_view ansi) override {
    return ConvertText(ansi, TextEncoding::kAnsi, TextEncoding::kUtf8);
  }
  std::string Utf8ToAnsi(std::string_view utf8) override {
    return ConvertText(utf8, TextEncoding::kUtf8, TextEncoding::kAnsi);
  }
  std::string Utf16LeToAnsi(std::u16string_view utf16) override {
    if (!utf16.empty() && utf16.front() == kByteOrderMark) utf16.remove_prefix(1);
    std::string bytes;
    bytes.reserve(utf16.size() * 2);
    for (char16_t unit : utf16) {
      bytes.push_back(static_cast<char>(unit & 0xFF));
      bytes.push_back(static_cast<char>(unit >> 8));
    }
    return ConvertText(bytes, TextEncoding::kUtf16Le, TextEncoding::kAnsi);
  }
};

}  // namespace

CodePages& CodePages::Native() {
  static PosixCodePages code_pages;
  return code_pages;
}

}  // namespace radlyn::platform
