// Windows, dialogs and message boxes.
//
// Dialog layouts are data (DialogTemplate, in dialog units as a resource script gives them);
// src/resources/ holds the program's own. The headless backend, used without a display, prints
// message-box texts to standard error and dialog texts to standard output and never waits; its
// window handles are virtual, so a headless job still has an owner window. The GTK backend shows
// real windows.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/service.h"

namespace radlyn::platform {

using WindowHandle = std::uint32_t;  // 0: no window

enum class ControlKind { kDefaultButton, kStaticText, kGreyRectangle };

struct DialogControl {
  int id = -1;  // -1: no id
  ControlKind kind = ControlKind::kStaticText;
  std::string text;
  int x = 0, y = 0, width = 0, height = 0;  // dialog units
};

struct DialogTemplate {
  int id = 0;
  std::string title;
  int width = 0, height = 0;  // dialog units
  std::string font_name;
  int font_points = 8;
  bool system_modal = false;  // system-modal and set-foreground styles
  bool in_taskbar = false;
  std::vector<DialogControl> controls;
};

struct ScreenSize {
  int width = 0;
  int height = 0;
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // A modal message box without owner: error icon, one confirm button. An empty caption gives
  // the platform's default error caption. Returns once confirmed (headless: at once).
  virtual void ShowErrorMessage(std::string_view text, std::string_view caption) = 0;
  // Runs a dialog modally until its default button or close box ends it. `texts` replaces the
  // texts of controls by id; `icon_id` names the window icon (0: none).
  virtual void RunModalDialog(const DialogTemplate& dialog, const std::map<int, std::string>& texts,
                              int icon_id) = 0;
  // Creates a modeless dialog without owner; std::nullopt when it cannot be created.
  virtual std::optional<WindowHandle> CreateModelessDialog(const DialogTemplate& dialog) = 0;
  virtual void MoveWindow(WindowHandle window, int x, int y, int width, int height) = 0;
  virtual void BringToForeground(WindowHandle window) = 0;
  virtual void DestroyWindow(WindowHandle window) = 0;
  // True when the handle names an existing window.
  virtual bool IsWindow(WindowHandle window) = 0;
  virtual ScreenSize PrimaryScreenSize() = 0;

  static UserInterface& Native();
};

inline UserInterface& GetUserInterface() { return Service<UserInterface>::Get(); }

}  // namespace radlyn::platform
