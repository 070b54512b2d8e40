#include "platform/posix/ui_headless.h"

#include <algorithm>
#include <vector>

#include "platform/posix/text_encoding.h"

namespace radlyn::platform {
namespace {

constexpr ScreenSize kHeadlessScreen = {1024, 768};

void WriteLine(std::FILE* stream, std::string_view ansi_text) {
  std::string line = AnsiToNative(ansi_text);
  line.push_back('\n');
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fflush(stream);
}

struct PlacedText {
  int y;
  int x;
  std::string text;
};

}  // namespace

void HeadlessUserInterface::ShowErrorMessage(std::string_view text, std::string_view caption) {
  std::string line(caption.empty() ? "Error" : caption);
  line += ": ";
  // A text that already opens with the caption (Morlund's too-old message starts with "Error: ")
  // is printed once, not behind a second copy of it.
  if (text.starts_with(line)) line.clear();
  line += text;
  WriteLine(err_, line);
}

void HeadlessUserInterface::RunModalDialog(const DialogTemplate& dialog,
                                           const std::map<int, std::string>& texts, int) {
  std::vector<PlacedText> placed;
  for (const DialogControl& control : dialog.controls) {
    if (control.kind != ControlKind::kStaticText) continue;
    auto replacement = texts.find(control.id);
    const std::string& text = replacement != texts.end() ? replacement->second : control.text;
    if (!text.empty()) placed.push_back({control.y, control.x, text});
  }
  std::stable_sort(placed.begin(), placed.end(), [](const PlacedText& a, const PlacedText& b) {
    return a.y != b.y ? a.y < b.y : a.x < b.x;
  });

  WriteLine(out_, dialog.title);
  for (std::size_t i = 0; i < placed.size();) {
    std::string row = placed[i].text;
    std::size_t next = i + 1;
    for (; next < placed.size() && placed[next].y == placed[i].y; ++next) {
      row += ' ';
      row += placed[next].text;
    }
    WriteLine(out_, row);
    i = next;
  }
}

std::optional<WindowHandle> HeadlessUserInterface::CreateModelessDialog(const DialogTemplate&) {
  WindowHandle window = next_window_++;
  live_windows_.insert(window);
  return window;
}

void HeadlessUserInterface::MoveWindow(WindowHandle, int, int, int, int) {}

void HeadlessUserInterface::BringToForeground(WindowHandle) {}

void HeadlessUserInterface::DestroyWindow(WindowHandle window) { live_windows_.erase(window); }

bool HeadlessUserInterface::IsWindow(WindowHandle window) {
  return live_windows_.count(window) != 0;
}

ScreenSize HeadlessUserInterface::PrimaryScreenSize() { return kHeadlessScreen; }

}  // namespace radlyn::platform
