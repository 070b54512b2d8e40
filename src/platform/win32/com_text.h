// Texts and values at the COM boundary: the program's ANSI texts (the system's ANSI code page)
// to and from UTF-16 and BSTR, and owning holders for a BSTR and a VARIANT. Conversions never
// fail: a character without a form in the ANSI page becomes '?'.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "platform/win32/windows_api.h"
// The automation declarations need the Win32 types above.
#include <oleauto.h>

namespace radlyn::platform::win32 {

std::wstring WideFromAnsi(std::string_view ansi);
std::string AnsiFromWide(std::wstring_view wide);
// The same towards any code page (AnsiFromWide is this with the ANSI code page).
std::string NarrowFromWide(std::wstring_view wide, unsigned code_page);

// An owned BSTR (possibly null, which COM reads as the empty text), freed on destruction.
class Bstr {
 public:
  Bstr() = default;
  // Throws std::bad_alloc when the system cannot allocate the string.
  explicit Bstr(std::string_view ansi);
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
  ~Bstr() { ::SysFreeString(text_); }

  BSTR get() const { return text_; }
  BSTR* Receive() {
    ::SysFreeString(std::exchange(text_, nullptr));
    return &text_;
  }
  // The text in ANSI; embedded zero characters are kept.
  std::string ToAnsi() const;
  // Hands the string to the caller (into a VARIANT, for instance).
  BSTR Detach() { return std::exchange(text_, nullptr); }

 private:
  BSTR text_ = nullptr;
};

// The ANSI form of a BSTR someone else owns (null reads as "").
std::string AnsiFromBstr(BSTR text);

// An owned VARIANT, cleared on destruction.
class Variant {
 public:
  Variant() { ::VariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { ::VariantClear(&value_); }

  VARIANT* get() { return &value_; }
  const VARIANT& operator*() const { return value_; }
  const VARIANT* operator->() const { return &value_; }
  // Empties the value before it receives a new one.
  VARIANT* Receive() {
    ::VariantClear(&value_);
    return &value_;
  }

 private:
  VARIANT value_;
};

}  // namespace radlyn::platform::win32
