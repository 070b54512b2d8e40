#include "platform/win32/com_text.h"

#include <new>

namespace radlyn::platform::win32 {

std::wstring WideFromAnsi(std::string_view ansi) {
  if (ansi.empty()) return {};
  const int length = static_cast<int>(ansi.size());
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, wide.data(), needed);
  return wide;
}

namespace {

// Towards an 8-bit page no best-fit substitute is taken and what the page lacks becomes '?'.
// Some code pages refuse those two options: UTF-8 (the ANSI code page of a Windows set to "UTF-8
// for worldwide language support"), UTF-7, GB18030 and the ISO-2022 family. They convert without
// them, in their own way (UTF-8 has a form for every character).
int ConvertFromWide(unsigned code_page, std::wstring_view wide, char* out, int size) {
  const int length = static_cast<int>(wide.size());
  const int converted = ::WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, wide.data(), length,
                                              out, size, "?", nullptr);
  if (converted > 0) return converted;
  const DWORD error = ::GetLastError();
  if (error != ERROR_INVALID_FLAGS && error != ERROR_INVALID_PARAMETER) return 0;
  return ::WideCharToMultiByte(code_page, 0, wide.data(), length, out, size, nullptr, nullptr);
}

}  // namespace

std::string NarrowFromWide(std::wstring_view wide, unsigned code_page) {
  if (wide.empty()) return {};
  const int needed = ConvertFromWide(code_page, wide, nullptr, 0);
  if (needed <= 0) return {};
  std::string text(static_cast<std::size_t>(needed), '\0');
  text.resize(static_cast<std::size_t>(ConvertFromWide(code_page, wide, text.data(), needed)));
  return text;
}

std::string AnsiFromWide(std::wstring_view wide) { return NarrowFromWide(wide, CP_ACP); }

Bstr::Bstr(std::string_view ansi) {
  const std::wstring wide = WideFromAnsi(ansi);
  text_ = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (text_ == nullptr) throw std::bad_alloc();
}

std::string Bstr::ToAnsi() const { return AnsiFromBstr(text_); }

std::string AnsiFromBstr(BSTR text) {
  if (text == nullptr) return {};
  return AnsiFromWide(std::wstring_view(text, ::SysStringLen(text)));
}

}  // namespace radlyn::platform::win32
