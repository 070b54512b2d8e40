// A plain captioned pop-up of the system's static class: the owner relation is what tests look
// at, not its contents. The caller's thread keeps handling messages while it stands, as a modal
// acquisition dialog would, so the caller's own windows (radlyn's parent dialog) stay responsive.
#include <cstdint>

#include "core/acquisition_window.h"
#include "platform/win32/windows_api.h"

namespace hostsim {

void ShowAcquisitionWindow(std::uint32_t owner, int milliseconds) {
  HWND owner_window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(owner));
  HWND window = ::CreateWindowExA(0, "STATIC", kAcquisitionWindowTitle,
                                  WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 100, 320, 120,
                                  owner_window, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  const ULONGLONG deadline =
      ::GetTickCount64() + static_cast<ULONGLONG>(milliseconds > 0 ? milliseconds : 0);
  for (ULONGLONG now = ::GetTickCount64(); now < deadline; now = ::GetTickCount64()) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
  if (window != nullptr) ::DestroyWindow(window);
}

}  // namespace hostsim
