#include "integration/support/target.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "integration/support/integration_support.h"

namespace radlyn::integration {
namespace {

namespace fs = std::filesystem;

// Morlund's automation server, whose LocalServer32 value names the installation.
constexpr char kMorlundServerKey[] = "HKCR\\CLSID\\{5C3E9A41-72D0-4B8E-9F16-2A7D40C1E853}";
// The newer generation's ProgIDs, which a Windows hostsim install registers in the prefix.
constexpr const char* kNewerGenerationKeys[] = {"HKCR\\MORLUNDNG.PluginServer",
                                                "HKCR\\MORLUNDNG.OptionsManager"};
// Wine's variables a Windows program needs from the test's environment.
constexpr const char* kWineVariables[] = {"WINEPREFIX",       "DISPLAY",    "WINEDEBUG",
                                          "WINEDLLOVERRIDES", "WINESERVER", "WINELOADER"};

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool EndsWithExe(std::string_view program) {
  return program.size() > 4 && program.substr(program.size() - 4) == ".exe";
}

// wine's full path, found along PATH (a program started by execve needs one).
std::string WineProgram() {
  std::istringstream folders(Environment("PATH"));
  for (std::string folder; std::getline(folders, folder, ':');) {
    const fs::path candidate = fs::path(folder) / "wine";
    std::error_code error;
    if (!folder.empty() && fs::exists(candidate, error)) return candidate.string();
  }
  return "/usr/bin/wine";
}

// An absolute path of at least two names: "/HELP" and "/f" are a program's switches.
bool IsLinuxPath(std::string_view text) {
  return text.starts_with('/') && text.find('/', 1) != std::string_view::npos;
}

bool IsPathCharacter(char c) { return c != '\'' && c != '"' && c != '\r' && c != '\n'; }

// The Windows path starting at `text[begin]` ("Z:\..." up to a quote or the line's end) in Linux
// form, `separator` being how the text writes one backslash; `end` is set behind it. A path
// holding a forward slash comes back as written.
std::string LinuxPathAt(std::string_view text, std::size_t begin, std::string_view separator,
                        std::size_t& end) {
  end = begin + 2;  // behind "Z:" or "C:"
  while (end < text.size() && IsPathCharacter(text[end])) ++end;
  const std::string_view windows = text.substr(begin, end - begin);
  if (windows.find('/') != std::string_view::npos) return std::string(windows);
  // Drive C: is the prefix's drive_c folder, Z: the root.
  std::string linux_path = windows[0] == 'C' ? Environment("WINEPREFIX") + "/drive_c" : "";
  for (std::size_t i = 2; i < windows.size();) {
    if (windows.substr(i, separator.size()) == separator) {
      linux_path += '/';
      i += separator.size();
    } else {
      linux_path += windows[i++];
    }
  }
  return linux_path;
}

// The first "Z:" or "C:" path at or behind `from`.
std::size_t FindWindowsPath(std::string_view text, std::string_view separator, std::size_t from) {
  const std::size_t on_z = text.find("Z:" + std::string(separator), from);
  const std::size_t on_c = text.find("C:" + std::string(separator), from);
  return std::min(on_z, on_c);
}

// `text` with every "Z:" or "C:" path (its backslashes written as `separator`) in Linux form.
std::string LinuxPathsIn(std::string_view text, std::string_view separator) {
  if (!TargetIsWindows()) return std::string(text);
  std::string converted;
  std::size_t done = 0;
  for (std::size_t at = FindWindowsPath(text, separator, 0); at != std::string_view::npos;
       at = FindWindowsPath(text, separator, done)) {
    converted += text.substr(done, at - done);
    converted += LinuxPathAt(text, at, separator, done);
  }
  converted += text.substr(done);
  return converted;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// Handle values in "0x%08X" form of at least 0x10000 (kernel32's memory handles and window
// handles; versions, masks and zero stay), numbered in order of first appearance.
std::string NumberHandles(std::string_view text) {
  std::map<std::string, unsigned> numbers;
  std::string converted;
  std::size_t i = 0;
  while (i < text.size()) {
    const bool hex = text.substr(i, 2) == "0x" && i + 10 <= text.size() &&
                     std::all_of(text.begin() + i + 2, text.begin() + i + 10, IsHexDigit) &&
                     (i + 10 == text.size() || !IsHexDigit(text[i + 10]));
    if (!hex || std::strtoul(std::string(text.substr(i + 2, 8)).c_str(), nullptr, 16) < 0x10000) {
      converted += text[i++];
      continue;
    }
    const std::string value(text.substr(i, 10));
    auto [it, added] = numbers.try_emplace(value, static_cast<unsigned>(numbers.size() + 1));
    char number[16];
    std::snprintf(number, sizeof number, "0x%08X", it->second);
    converted += number;
    i += 10;
  }
  return converted;
}

}  // namespace

bool TargetIsWindows() { return Environment("RADLYN_TARGET") == "win32"; }

std::string TargetBuildFolder() {
  if (!TargetIsWindows()) return BuildFolder();
  const std::string folder = Environment("RADLYN_WIN32_BUILD_DIR");
  if (folder.empty()) ADD_FAILURE() << "RADLYN_TARGET=win32 needs RADLYN_WIN32_BUILD_DIR";
  return folder;
}

std::string TargetProgramName(std::string_view name) {
  return std::string(name) + (TargetIsWindows() ? ".exe" : "");
}

std::string ToTargetPath(std::string_view path) {
  if (!TargetIsWindows()) return std::string(path);
  std::string windows = path.starts_with('/') ? "Z:" : "";
  for (char c : path) windows += c == '/' ? '\\' : c;
  return windows;
}

std::string ToTargetArgument(std::string_view argument) {
  if (IsLinuxPath(argument)) return ToTargetPath(argument);
  const std::size_t equals = argument.find('=');
  if (equals != std::string_view::npos && IsLinuxPath(argument.substr(equals + 1))) {
    return std::string(argument.substr(0, equals + 1)) + ToTargetPath(argument.substr(equals + 1));
  }
  return std::string(argument);
}

std::string FromTargetText(std::string_view text) { return LinuxPathsIn(text, "\\"); }

std::string FromTargetValue(std::string_view value) {
  const bool relative_path = TargetIsWindows() && value.find('\\') != std::string_view::npos &&
                             value.find_first_of("/: '\"") == std::string_view::npos;
  if (!relative_path) return FromTargetText(value);
  std::string linux_path(value);
  for (char& c : linux_path) c = c == '\\' ? '/' : c;
  return linux_path;
}

std::string FromTargetCallsLog(std::string_view log) {
  if (!TargetIsWindows()) return std::string(log);
  return NumberHandles(LinuxPathsIn(log, "\\\\"));
}

ProgramStart ForTarget(const ProgramStart& start) {
  if (!EndsWithExe(start.program)) return start;
  ProgramStart wine = start;
  wine.program = WineProgram();
  wine.arguments = {start.program};
  for (const std::string& argument : start.arguments) {
    wine.arguments.push_back(ToTargetArgument(argument));
  }
  for (const char* name : kWineVariables) {
    const std::string value = Environment(name);
    if (!value.empty()) wine.environment.try_emplace(name, value);
  }
  wine.environment.try_emplace("WINEDEBUG", "-all");
  // Wine reaches the prefix's wineserver through a socket below TMPDIR. Every Windows program of
  // a test must meet the same server as the test's own wine calls, or two servers would hold two
  // copies of the prefix's registry, each saving over the other. (A Windows program's temporary
  // folder is the prefix's own, not TMPDIR.)
  if (const std::string tmpdir = Environment("TMPDIR"); tmpdir.empty()) {
    wine.environment.erase("TMPDIR");
  } else {
    wine.environment["TMPDIR"] = tmpdir;
  }
  // A program that crashes (a module switched to crash) ends at once, as on Windows without a
  // debugger: Wine's own would attach, read the program's symbols for minutes and then show a
  // dialog that waits for a click.
  std::string& overrides = wine.environment["WINEDLLOVERRIDES"];
  overrides += (overrides.empty() ? "" : ";") + std::string("winedbg.exe=d");
  return wine;
}

std::string FromTargetOutput(std::string_view text) {
  std::string converted;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' || i + 1 >= text.size() || text[i + 1] != '\n') converted += text[i];
  }
  return converted;
}

void ForgetMorlundRegistration(const std::string& registry_file) {
  if (!TargetIsWindows()) {
    WriteTextFile(registry_file, "");
    return;
  }
  // reg.exe is Wine's own program; a key that is not there is no failure here.
  const ProgramRun removed = RunProgram({"reg.exe", {"delete", kMorlundServerKey, "/f"}, {}, {}});
  const ProgramRun query = RunProgram({"reg.exe", {"query", kMorlundServerKey}, {}, {}});
  EXPECT_NE(query.exit_code, 0) << "Morlund stays registered: " << removed.standard_output
                                << removed.standard_error << query.standard_output;
}

namespace {

std::string NewerGenerationFile(const std::string& morlund, int index) {
  return morlund + "/newer-generation-" + std::to_string(index) + ".reg";
}

}  // namespace

void SetAsideNewerGeneration(const std::string& morlund) {
  if (!TargetIsWindows()) return;
  int index = 0;
  for (const char* key : kNewerGenerationKeys) {
    RunProgram({"reg.exe", {"export", key, NewerGenerationFile(morlund, index++), "/y"}, {}, {}});
    RunProgram({"reg.exe", {"delete", key, "/f"}, {}, {}});
  }
}

void RestoreNewerGeneration(const std::string& morlund) {
  if (!TargetIsWindows()) return;
  for (int index = 0; index < static_cast<int>(std::size(kNewerGenerationKeys)); ++index) {
    const ProgramRun run =
        RunProgram({"reg.exe", {"import", NewerGenerationFile(morlund, index)}, {}, {}});
    EXPECT_EQ(run.exit_code, 0) << "the newer generation's registration: " << run.standard_error;
  }
}

void ForgetNewerGeneration() {
  if (!TargetIsWindows()) return;
  for (const char* key : kNewerGenerationKeys)
    RunProgram({"reg.exe", {"delete", key, "/f"}, {}, {}});
}

std::string TargetTempFolder(const std::string& linux_folder) {
  if (!TargetIsWindows()) return linux_folder;
  // The prefix's only user folder besides Public.
  const fs::path users = fs::path(Environment("WINEPREFIX")) / "drive_c" / "users";
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(users, error)) {
    if (entry.path().filename() != "Public") return (entry.path() / "Temp").string();
  }
  ADD_FAILURE() << "no user folder in " << users;
  return linux_folder;
}

void RemoveNewerGenerationClass(const std::string& morlund, const std::string& name) {
  if (!TargetIsWindows()) {
    fs::remove(morlund + "/dbus-services/MORLUNDNG." + name + ".service");
    return;
  }
  RunProgram({"reg.exe", {"delete", "HKCR\\MORLUNDNG." + name, "/f"}, {}, {}});
}

}  // namespace radlyn::integration
