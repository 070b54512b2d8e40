// The user interface over user32: message boxes, and dialogs from the program's own dialog
// resources (the resource script is written from the same templates the Linux backend draws).
//
// A dialog is found by the template's id in the program file's resources; the template's
// controls and texts are already there, so only the texts replaced by id and the window icon are
// applied at run time. A modal dialog ends with the id of the button or command that closed it:
// its default button, OK, or Cancel (the close box and the Escape key). Window handles are
// HWNDs, which fit the 32-bit WindowHandle in this 32-bit program.
#include <cstdint>
#include <string>

#include "platform/debug_output.h"
#include "platform/ui.h"
#include "platform/win32/windows_api.h"

namespace radlyn::platform {
namespace {

static_assert(sizeof(HWND) <= sizeof(WindowHandle), "window handles must fit WindowHandle");

HWND ToWindow(WindowHandle handle) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle));
}

WindowHandle ToHandle(HWND window) {
  return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

HINSTANCE ProgramModule() { return ::GetModuleHandleA(nullptr); }

// An icon resource of the program at one of the system's icon sizes; null when there is none.
HICON LoadProgramIcon(int icon_id, int width_metric, int height_metric) {
  if (icon_id == 0) return nullptr;
  return static_cast<HICON>(::LoadImageA(ProgramModule(), MAKEINTRESOURCEA(icon_id), IMAGE_ICON,
                                         ::GetSystemMetrics(width_metric),
                                         ::GetSystemMetrics(height_metric), LR_DEFAULTCOLOR));
}

void ReportFailure(const char* what, int dialog_id) {
  WriteDebugOutput("Radlyn " + std::string(what) + " dialog " + std::to_string(dialog_id) +
                   " failed (error " + std::to_string(::GetLastError()) + ")\n");
}

// What a modal dialog needs while it runs; owned by RunModalDialog.
struct ModalDialog {
  const std::map<int, std::string>* texts = nullptr;
  int default_button_id = IDOK;
  HICON large_icon = nullptr;
  HICON small_icon = nullptr;
};

INT_PTR CALLBACK ModalDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrA(window, DWLP_USER, lparam);
    const auto* dialog = reinterpret_cast<const ModalDialog*>(lparam);
    for (const auto& [id, text] : *dialog->texts) ::SetDlgItemTextA(window, id, text.c_str());
    if (dialog->large_icon != nullptr) {
      ::SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(dialog->large_icon));
    }
    if (dialog->small_icon != nullptr) {
      ::SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(dialog->small_icon));
    }
    return TRUE;  // the focus goes where the dialog manager puts it
  }
  const auto* dialog = reinterpret_cast<const ModalDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
  if (dialog == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if (id != IDOK && id != IDCANCEL && id != dialog->default_button_id) return FALSE;
      ::EndDialog(window, id);
      return TRUE;
    }
    case WM_CLOSE:
      ::EndDialog(window, IDCANCEL);
      return TRUE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(dialog->large_icon);
    default:
      return FALSE;
  }
}

// A modeless dialog ends when its creator destroys it, not through its close box or a key.
INT_PTR CALLBACK ModelessDialogProc(HWND, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_CLOSE:
      return TRUE;
    case WM_COMMAND:
      return LOWORD(wparam) == IDCANCEL ? TRUE : FALSE;
    default:
      return FALSE;
  }
}

int DefaultButtonId(const DialogTemplate& dialog) {
  for (const DialogControl& control : dialog.controls) {
    if (control.kind == ControlKind::kDefaultButton) return control.id;
  }
  return IDOK;
}

class Win32UserInterface : public UserInterface {
 public:
  void ShowErrorMessage(std::string_view text, std::string_view caption) override {
    const std::string message(text), title(caption);
    ::MessageBoxA(nullptr, message.c_str(), title.empty() ? nullptr : title.c_str(),
                  MB_OK | MB_ICONERROR);
  }

  void RunModalDialog(const DialogTemplate& dialog, const std::map<int, std::string>& texts,
                      int icon_id) override {
    ModalDialog running;
    running.texts = &texts;
    running.default_button_id = DefaultButtonId(dialog);
    running.large_icon = LoadProgramIcon(icon_id, SM_CXICON, SM_CYICON);
    running.small_icon = LoadProgramIcon(icon_id, SM_CXSMICON, SM_CYSMICON);
    const INT_PTR result = ::DialogBoxParamA(ProgramModule(), MAKEINTRESOURCEA(dialog.id), nullptr,
                                             ModalDialogProc, reinterpret_cast<LPARAM>(&running));
    if (result == -1 || result == 0) ReportFailure("showing", dialog.id);
    if (running.large_icon != nullptr) ::DestroyIcon(running.large_icon);
    if (running.small_icon != nullptr) ::DestroyIcon(running.small_icon);
  }

  std::optional<WindowHandle> CreateModelessDialog(const DialogTemplate& dialog) override {
    HWND window = ::CreateDialogParamA(ProgramModule(), MAKEINTRESOURCEA(dialog.id), nullptr,
                                       ModelessDialogProc, 0);
    if (window == nullptr) {
      ReportFailure("creating", dialog.id);
      return std::nullopt;
    }
    // A system-modal dialog stays above other programs' windows. Windows makes it topmost for
    // the system-modal style; Wine does not, so it is made so here.
    if (dialog.system_modal) {
      ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return ToHandle(window);
  }

  void MoveWindow(WindowHandle window, int x, int y, int width, int height) override {
    ::MoveWindow(ToWindow(window), x, y, width, height, TRUE);
  }

  // A hidden window of this process (a modeless dialog just created) is shown first, at the
  // place and size it has by then.
  void BringToForeground(WindowHandle window) override {
    HWND hwnd = ToWindow(window);
    DWORD process = 0;
    ::GetWindowThreadProcessId(hwnd, &process);
    if (process == ::GetCurrentProcessId() && !::IsWindowVisible(hwnd)) {
      ::ShowWindow(hwnd, SW_SHOW);
    }
    ::SetForegroundWindow(hwnd);
  }

  void DestroyWindow(WindowHandle window) override { ::DestroyWindow(ToWindow(window)); }

  bool IsWindow(WindowHandle window) override {
    return window != 0 && ::IsWindow(ToWindow(window)) != FALSE;
  }

  ScreenSize PrimaryScreenSize() override {
    return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
};

}  // namespace

UserInterface& UserInterface::Native() {
  static Win32UserInterface user_interface;
  return user_interface;
}

}  // namespace radlyn::platform
