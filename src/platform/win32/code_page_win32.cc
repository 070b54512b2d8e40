// The workstation's code pages on Windows: the system's own lower-casing and ANSI <-> OEM
// conversion (both through Unicode with the system's tables, double-byte pages included), and the
// Unicode forms through UTF-16 with the ANSI code page (CP_ACP), converted back as every COM text
// is (com_text.h): towards an 8-bit page no best-fit substitute is taken and what has no form
// there becomes '?'; an ANSI code page that refuses those options (UTF-8) converts without them.
#include <string>

#include "platform/code_page.h"
#include "platform/win32/com_text.h"
#include "platform/win32/windows_api.h"

namespace radlyn::platform {
namespace {

using win32::AnsiFromWide;
using win32::NarrowFromWide;

constexpr char16_t kByteOrderMark = 0xFEFF;

// Invalid input (a broken UTF-8 sequence) becomes U+FFFD, which no 8-bit page has.
std::wstring ToWide(UINT code_page, std::string_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int needed = ::MultiByteToWideChar(code_page, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(needed > 0 ? needed : 0), L'\0');
  if (needed > 0) {
    ::MultiByteToWideChar(code_page, 0, text.data(), length, wide.data(), needed);
  }
  return wide;
}

class Win32CodePages : public CodePages {
 public:
  unsigned AnsiCodePage() override { return ::GetACP(); }
  unsigned OemCodePage() override { return ::GetOEMCP(); }
  std::string LowerAnsi(std::string_view ansi) override {
    std::string lowered(ansi);
    if (!lowered.empty()) ::CharLowerBuffA(lowered.data(), static_cast<DWORD>(lowered.size()));
    return lowered;
  }
  std::string AnsiToOem(std::string_view ansi) override {
    std::string oem(ansi);
    if (!oem.empty()) ::CharToOemBuffA(oem.c_str(), oem.data(), static_cast<DWORD>(oem.size()));
    return oem;
  }
  std::string OemToAnsi(std::string_view oem) override {
    std::string ansi(oem);
    if (!ansi.empty()) ::OemToCharBuffA(ansi.c_str(), ansi.data(), static_cast<DWORD>(ansi.size()));
    return ansi;
  }
  std::string AnsiToUtf8(std::string_view ansi) override {
    return NarrowFromWide(ToWide(CP_ACP, ansi), CP_UTF8);
  }
  std::string Utf8ToAnsi(std::string_view utf8) override {
    return AnsiFromWide(ToWide(CP_UTF8, utf8));
  }
  std::string Utf16LeToAnsi(std::u16string_view utf16) override {
    if (!utf16.empty() && utf16.front() == kByteOrderMark) utf16.remove_prefix(1);
    return AnsiFromWide(std::wstring(utf16.begin(), utf16.end()));
  }
};

}  // namespace

CodePages& CodePages::Native() {
  static Win32CodePages code_pages;
  return code_pages;
}

}  // namespace radlyn::platform
