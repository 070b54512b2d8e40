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

std::string AnsiFromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  const int needed = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length,
                                           nullptr, 0, "?", nullptr);
  if (needed <= 0) return {};
  std::string ansi(static_cast<std::size_t>(needed), '\0');
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, ansi.data(), needed, "?",
                        nullptr);
  return ansi;
}

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
