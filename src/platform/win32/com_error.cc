#include "platform/win32/com_error.h"

#include <cstdio>

#include "platform/win32/com_ptr.h"
#include "platform/win32/com_text.h"

namespace radlyn::platform::win32 {

std::string SystemMessage(HRESULT code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring_view text(buffer != nullptr ? buffer : L"", buffer != nullptr ? length : 0);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.remove_suffix(1);
  }
  std::string message = AnsiFromWide(text);
  ::LocalFree(buffer);
  return message;
}

std::string DescribeHresult(HRESULT code) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
  const std::string message = SystemMessage(code);
  return message.empty() ? std::string(hex) : std::string(hex) + " (" + message + ")";
}

ComErrorDetails TakeErrorDetails(IUnknown* object, REFIID iid) {
  ComErrorDetails details;
  if (object == nullptr) return details;
  ComPtr<ISupportErrorInfo> support;
  if (FAILED(object->QueryInterface(IID_ISupportErrorInfo, support.ReceiveVoid())) ||
      support->InterfaceSupportsErrorInfo(iid) != S_OK) {
    return details;
  }
  ComPtr<IErrorInfo> info;
  if (::GetErrorInfo(0, info.Receive()) != S_OK || !info) return details;
  Bstr source;
  Bstr description;
  if (SUCCEEDED(info->GetSource(source.Receive()))) details.source = source.ToAnsi();
  if (SUCCEEDED(info->GetDescription(description.Receive()))) {
    details.description = description.ToAnsi();
  }
  return details;
}

}  // namespace radlyn::platform::win32
