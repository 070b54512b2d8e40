#include "gui/desktop_session.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

namespace radlyn::gui {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The screen of the private display.
constexpr const char* kXvfbScreen = "1280x1024x24";
constexpr double kPollSeconds = 0.05;

bool HaveCommand(const std::string& name) {
  return RunShell("command -v " + name + " >/dev/null 2>&1").exit_code == 0;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// Waits until `ready` answers true or `seconds` have passed; answers the last result.
template <typename Ready>
bool WaitUntil(double seconds, Ready ready) {
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  while (true) {
    if (ready()) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::duration<double>(kPollSeconds));
  }
}

class DesktopEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    for (const auto& [tool, package] : {std::pair{"xdotool", "xdotool"},
                                        {"xwininfo", "x11-utils"},
                                        {"xprop", "x11-utils"},
                                        {"import", "imagemagick"}}) {
      if (!HaveCommand(tool)) {
        reason_ = std::string(tool) + " is missing (Debian package " + package + ")";
        return;
      }
    }
    if (const char* display = std::getenv("DISPLAY"); display != nullptr && *display != '\0') {
      return;
    }
    if (!HaveCommand("Xvfb")) {
      reason_ = "no DISPLAY and Xvfb is missing (Debian package xvfb)";
      return;
    }
    StartXvfb();
  }

  void TearDown() override {
    if (!xvfb_pid_.empty()) RunShell("kill " + xvfb_pid_ + " 2>/dev/null");
  }

  const std::string& reason() const { return reason_; }

 private:
  void StartXvfb() {
    // Xvfb picks a free display number itself and writes it to the file once it accepts
    // connections. Without -noreset it would reset whenever its last client leaves, refusing the
    // next program that connects meanwhile.
    const std::string number_file = folder_.Sub("display");
    xvfb_pid_ = Trimmed(RunShell("Xvfb -displayfd 3 -screen 0 " + std::string(kXvfbScreen) +
                                 " -nolisten tcp -noreset 3>" + ShellQuote(number_file) +
                                 " </dev/null >/dev/null 2>&1 & echo $!")
                            .output);
    std::string number;
    WaitUntil(15, [&] {
      number = Trimmed(integration::ReadTextFile(number_file).value_or(""));
      return !number.empty();
    });
    if (number.empty()) {
      reason_ = "Xvfb did not start";
      return;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
  }

  integration::TempFolder folder_;
  std::string xvfb_pid_;
  std::string reason_;
};

DesktopEnvironment* const desktop =
    static_cast<DesktopEnvironment*>(::testing::AddGlobalTestEnvironment(new DesktopEnvironment));

}  // namespace

std::string DesktopUnavailableReason() { return desktop->reason(); }

ShellResult RunShell(const std::string& command) {
  ShellResult result;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t read = 0;
  while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    result.output.append(buffer, read);
  const int status = pclose(pipe);
  result.exit_code = status == -1 ? -1 : (status >> 8) & 0xFF;
  return result;
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

BackgroundProgram::BackgroundProgram(const integration::ProgramStart& start) {
  std::string command = "env -i";
  if (const char* path = std::getenv("PATH"))
    command += " " + ShellQuote(std::string("PATH=") + path);
  for (const auto& [name, value] : start.environment)
    command += " " + ShellQuote(name + "=" + value);
  command +=
      " timeout -k 5 " + std::to_string(start.time_limit_seconds) + " " + ShellQuote(start.program);
  for (const std::string& argument : start.arguments) command += " " + ShellQuote(argument);
  command += " </dev/null >" + ShellQuote(capture_.Sub("stdout")) + " 2>" +
             ShellQuote(capture_.Sub("stderr"));
  const std::string code = ShellQuote(capture_.Sub("exit-code"));
  const std::string pid = capture_.Sub("pid");
  std::string script = "( ";
  if (!start.current_folder.empty()) script += "cd " + ShellQuote(start.current_folder) + " && ";
  // The subshell runs on in the background, waits for the program and then writes its exit
  // code (renamed into place, so a reader never sees half of it). It holds none of the shell's
  // output, so the call below returns at once.
  script += "{ " + command + " & echo $! >" + ShellQuote(pid) + "; wait $!; echo $? >" + code +
            ".part; mv " + code + ".part " + code + "; } ) </dev/null >/dev/null 2>&1 &";
  RunShell(script);
  WaitUntil(10,
            [&] { return !(pid_ = Trimmed(integration::ReadTextFile(pid).value_or(""))).empty(); });
}

BackgroundProgram::~BackgroundProgram() {
  if (Running() && !pid_.empty()) RunShell("kill " + pid_ + " 2>/dev/null");
  WaitForExit(10);
}

std::optional<int> BackgroundProgram::WaitForExit(double seconds) {
  std::optional<std::string> code;
  WaitUntil(seconds, [&] {
    return (code = integration::ReadTextFile(capture_.Sub("exit-code"))).has_value();
  });
  if (!code) return std::nullopt;
  return std::atoi(code->c_str());
}

bool BackgroundProgram::Running() { return !WaitForExit(0).has_value(); }

std::string BackgroundProgram::StandardOutput() const {
  return integration::ReadTextFile(capture_.Sub("stdout")).value_or("");
}

std::string BackgroundProgram::StandardError() const {
  return integration::ReadTextFile(capture_.Sub("stderr")).value_or("");
}

integration::ProgramStart RadlynOnDisplay(integration::RadlynSandbox& sandbox,
                                          std::vector<std::string> arguments) {
  integration::ProgramStart start;
  start.program = integration::RadlynProgramPath();
  start.arguments = std::move(arguments);
  start.environment = sandbox.environment();
  start.environment["DISPLAY"] = std::getenv("DISPLAY") != nullptr ? std::getenv("DISPLAY") : "";
  // No accessibility bus on a test display: keep GTK from looking for one.
  start.environment["NO_AT_BRIDGE"] = "1";
  // Diagnostics on standard error, so a failure shows why (e.g. a display GTK could not open).
  start.environment["RADLYN_DEBUG"] = "1";
  // In sanitizer builds, GTK's own allocations that live until exit are not ours to report; the
  // suppressions match by library, which needs full stacks (GTK has no frame pointers). The file
  // lies beside this source file.
  const fs::path suppressions = fs::path(RADLYN_GUI_TEST_SOURCE_DIR) / "gtk_leaks.supp";
  start.environment["ASAN_OPTIONS"] = "fast_unwind_on_malloc=0";
  start.environment["LSAN_OPTIONS"] =
      "suppressions=" + suppressions.string() + ":print_suppressions=0";
  start.current_folder = sandbox.WorkFolder();
  start.time_limit_seconds = 60;
  return start;
}

std::vector<WindowId> FindWindows(const std::string& name, bool only_visible) {
  // xdotool matches without regard to case, and GDK keeps a hidden window named after the
  // program ("radlyn"); only the exact name counts.
  const std::string search =
      only_visible ? "xdotool search --onlyvisible --name " : "xdotool search --name ";
  std::vector<WindowId> windows;
  std::istringstream ids(RunShell(search + ShellQuote("^" + name + "$") + " 2>/dev/null").output);
  for (WindowId id = 0; ids >> id;) {
    if (WindowName(id) == name) windows.push_back(id);
  }
  return windows;
}

std::optional<WindowId> WaitForWindow(const std::string& name, double seconds,
                                      BackgroundProgram* shown_by) {
  std::vector<WindowId> windows;
  // Shown, not only created: keys typed into a window that is not mapped yet are lost.
  WaitUntil(seconds, [&] {
    return !(windows = FindWindows(name, true)).empty() ||
           (shown_by != nullptr && !shown_by->Running());
  });
  if (windows.empty()) return std::nullopt;
  return windows.front();
}

std::string WindowName(WindowId window) {
  return Trimmed(
      RunShell("xdotool getwindowname " + std::to_string(window) + " 2>/dev/null").output);
}

WindowInfo DescribeWindow(WindowId window) {
  const ShellResult shell = RunShell("xwininfo -id " + std::to_string(window) + " 2>/dev/null");
  WindowInfo info;
  info.exists = shell.exit_code == 0;
  std::istringstream lines(shell.output);
  for (std::string line; std::getline(lines, line);) {
    const auto value = [&](const char* label) -> std::optional<int> {
      const std::size_t at = line.find(label);
      if (at == std::string::npos) return std::nullopt;
      return std::atoi(line.c_str() + at + std::string(label).size());
    };
    if (auto v = value("Absolute upper-left X:")) info.x = *v;
    if (auto v = value("Absolute upper-left Y:")) info.y = *v;
    if (auto v = value("Width:")) info.width = *v;
    if (auto v = value("Height:")) info.height = *v;
    if (line.find("Map State: IsViewable") != std::string::npos) info.viewable = true;
  }
  return info;
}

std::string WindowProperty(WindowId window, const std::string& property) {
  const ShellResult shell =
      RunShell("xprop -id " + std::to_string(window) + " " + ShellQuote(property) + " 2>/dev/null");
  return shell.output.find("not found") != std::string::npos ? "" : shell.output;
}

WindowId RootWindow() {
  const std::string info = RunShell("xwininfo -root 2>/dev/null").output;
  const std::size_t at = info.find("Window id: ");
  return at == std::string::npos ? 0 : std::strtoul(info.c_str() + at + 11, nullptr, 0);
}

void PressKey(WindowId window, const std::string& key) {
  RunShell("xdotool windowfocus --sync " + std::to_string(window) + " key " + ShellQuote(key) +
           " 2>/dev/null");
}

std::string SaveScreenshot(const std::string& name, std::optional<WindowId> window) {
  const fs::path folder = fs::path(integration::BuildFolder()) / "gui-screenshots";
  std::error_code error;
  fs::create_directories(folder, error);
  const std::string path = (folder / (name + ".png")).string();
  const std::string source = window ? std::to_string(*window) : std::string("root");
  RunShell("import -window " + source + " " + ShellQuote(path) + " 2>/dev/null");
  return path;
}

}  // namespace radlyn::gui
