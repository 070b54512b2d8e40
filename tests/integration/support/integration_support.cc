#include "integration/support/integration_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "integration/support/target.h"
#include "platform/profile.h"

namespace radlyn::integration {
namespace fs = std::filesystem;
namespace {

std::string ShellQuote(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  quoted += "'";
  return quoted;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string Trim(std::string_view text) {
  std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  std::size_t end = text.find_last_not_of(" \t");
  return std::string(text.substr(begin, end - begin + 1));
}

}  // namespace

TempFolder::TempFolder() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate =
        base / ("radlyn-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      path_ = candidate;
      return;
    }
  }
  ADD_FAILURE() << "cannot create a temporary folder below " << base;
}

TempFolder::~TempFolder() {
  if (path_.empty()) return;
  std::error_code error;
  // Owner rights back first, so a test that made a folder read-only does not leave it behind.
  for (auto it = fs::recursive_directory_iterator(path_, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
  }
  fs::remove_all(path_, error);
}

std::string TempFolder::Sub(std::string_view name) const { return (path_ / name).string(); }

void WriteTextFile(const fs::path& path, std::string_view content) {
  std::error_code error;
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), error);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(content.data(), static_cast<std::streamsize>(content.size()));
  ASSERT_TRUE(file.good()) << "cannot write " << path;
}

std::optional<std::string> ReadTextFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

void WriteIniFile(const fs::path& path, const std::vector<IniSection>& sections) {
  std::string text;
  for (const IniSection& section : sections) {
    text += "[" + section.name + "]\r\n";
    for (const auto& [key, value] : section.keys) {
      text += key + "=" + (value.starts_with('/') ? ToTargetPath(value) : value) + "\r\n";
    }
  }
  WriteTextFile(path, text);
}

std::vector<IniEntry> ReadIniEntries(const fs::path& path) {
  std::vector<IniEntry> entries;
  std::optional<std::string> text = ReadTextFile(path);
  if (!text) return entries;
  std::istringstream lines(*text);
  std::string line;
  std::string section;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == ';') continue;
    if (trimmed.front() == '[' && trimmed.back() == ']') {
      section = trimmed.substr(1, trimmed.size() - 2);
      continue;
    }
    std::size_t equals = trimmed.find('=');
    if (equals == std::string::npos) continue;
    entries.push_back({section, Trim(trimmed.substr(0, equals)),
                       FromTargetValue(Trim(trimmed.substr(equals + 1)))});
  }
  return entries;
}

std::optional<std::string> FindIniValue(const std::vector<IniEntry>& entries,
                                        std::string_view section, std::string_view key) {
  for (const IniEntry& entry : entries) {
    if (EqualNoCase(entry.section, section) && EqualNoCase(entry.key, key)) return entry.value;
  }
  return std::nullopt;
}

std::vector<std::string> ReadEventLogLines(const fs::path& path) {
  std::vector<std::string> lines;
  std::optional<std::string> text = ReadTextFile(path);
  if (!text) return lines;
  std::size_t start = 0;
  while (start < text->size()) {
    std::size_t end = text->find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "event log " << path << " ends without CR LF: " << text->substr(start);
      break;
    }
    std::string line = text->substr(start, end - start);
    EXPECT_EQ(line.find('\n'), std::string::npos) << "bare line feed in " << line;
    lines.push_back(FromTargetText(line));
    start = end + 2;
  }
  return lines;
}

std::vector<std::string> ReadEventLogEntries(const fs::path& path) {
  std::vector<std::string> entries;
  for (const std::string& line : ReadEventLogLines(path)) {
    // "YYYY-MM-DDTHH:MM:SS " is 20 characters.
    bool stamped = line.size() >= 20 && line[4] == '-' && line[7] == '-' && line[10] == 'T' &&
                   line[13] == ':' && line[16] == ':' && line[19] == ' ';
    EXPECT_TRUE(stamped) << "no time stamp in event-log line: " << line;
    entries.push_back(stamped ? line.substr(20) : line);
  }
  return entries;
}

ProgramRun RunProgram(const ProgramStart& program) {
  const ProgramStart start = ForTarget(program);
  TempFolder capture;
  std::string out = capture.Sub("stdout");
  std::string err = capture.Sub("stderr");
  std::string code = capture.Sub("exit-code");

  std::string command;
  if (!start.current_folder.empty()) command += "cd " + ShellQuote(start.current_folder) + " && ";
  command += "env -i";
  if (const char* path = std::getenv("PATH"); path != nullptr && !start.environment.count("PATH")) {
    command += " " + ShellQuote(std::string("PATH=") + path);
  }
  for (const auto& [name, value] : start.environment)
    command += " " + ShellQuote(name + "=" + value);
  command += " timeout -k 5 " + std::to_string(start.time_limit_seconds);
  command += " " + ShellQuote(start.program);
  for (const std::string& argument : start.arguments) command += " " + ShellQuote(argument);
  command += " <" + ShellQuote("/dev/null") + " >" + ShellQuote(out) + " 2>" + ShellQuote(err);
  command = "{ " + command + "; echo $? >" + ShellQuote(code) + "; }";

  ProgramRun run;
  int status = std::system(command.c_str());
  EXPECT_EQ(status, 0) << "the shell could not run: " << command;
  run.standard_output = ReadTextFile(out).value_or("");
  run.standard_error = ReadTextFile(err).value_or("");
  if (start.program != program.program) {
    run.standard_output = FromTargetOutput(run.standard_output);
    run.standard_error = FromTargetOutput(run.standard_error);
  }
  std::optional<std::string> code_text = ReadTextFile(code);
  if (code_text && !code_text->empty()) run.exit_code = std::atoi(code_text->c_str());
  return run;
}

BackgroundProgram::BackgroundProgram(const ProgramStart& program) {
  const ProgramStart start = ForTarget(program);
  std::vector<std::string> texts = {start.program};
  texts.insert(texts.end(), start.arguments.begin(), start.arguments.end());
  const std::size_t argument_count = texts.size();
  if (const char* path = std::getenv("PATH"); path != nullptr && !start.environment.count("PATH")) {
    texts.push_back(std::string("PATH=") + path);
  }
  for (const auto& [name, value] : start.environment) texts.push_back(name + "=" + value);
  std::vector<char*> arguments, environment;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    (i < argument_count ? arguments : environment).push_back(texts[i].data());
  }
  arguments.push_back(nullptr);
  environment.push_back(nullptr);

  pid_ = fork();
  if (pid_ == 0) {
    const rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    const int null = open("/dev/null", O_RDWR);
    for (int stream = 0; stream < 3; ++stream) dup2(null, stream);
    if (!start.current_folder.empty() && chdir(start.current_folder.c_str()) != 0) _exit(126);
    execve(start.program.c_str(), arguments.data(), environment.data());
    _exit(127);
  }
  EXPECT_GT(pid_, 0) << "cannot start " << start.program;
}

BackgroundProgram::~BackgroundProgram() {
  if (Wait(0) == "running") {
    Kill();
    Wait(10);
  }
}

void BackgroundProgram::Kill() {
  if (pid_ > 0) kill(pid_, SIGKILL);
}

std::string BackgroundProgram::Wait(int seconds) {
  if (pid_ <= 0) return "exit 127";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                 : "exit " + std::to_string(WEXITSTATUS(status));
    }
    if (std::chrono::steady_clock::now() >= deadline) return "running";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::string BuildFolder() {
  const char* folder = std::getenv("RADLYN_BUILD_DIR");
  if (folder == nullptr || *folder == '\0') {
    ADD_FAILURE() << "RADLYN_BUILD_DIR is not set; run the tests through ctest";
    return {};
  }
  return folder;
}

std::string RadlynProgramPath() {
  return TargetBuildFolder() + "/bin/" + TargetProgramName("radlyn");
}
std::string HostsimProgramPath() {
  return TargetBuildFolder() + "/bin/" + TargetProgramName("hostsim");
}

RadlynSandbox::RadlynSandbox() {
  std::error_code error;
  fs::create_directories(RuntimeFolder(), error);
  fs::permissions(RuntimeFolder(), fs::perms::owner_all, fs::perm_options::replace, error);
  fs::create_directories(WorkFolder(), error);
  fs::create_directories(root_.Sub("home"), error);
  environment_ = {
      {"HOME", root_.Sub("home")},          {"XDG_DATA_HOME", root_.Sub("home/.local/share")},
      {"XDG_RUNTIME_DIR", RuntimeFolder()}, {"RADLYN_REGISTRY", RegistryFile()},
      {"TMPDIR", root_.Sub("tmp")},
  };
  fs::create_directories(root_.Sub("tmp"), error);
  // Under Wine the registration lives in the prefix that every test shares.
  if (TargetIsWindows()) ForgetMorlundRegistration(RegistryFile());
}

ProgramRun RadlynSandbox::RunRadlyn(const std::vector<std::string>& arguments) const {
  ProgramStart start;
  start.program = RadlynProgramPath();
  start.arguments = arguments;
  start.environment = environment_;
  start.current_folder = WorkFolder();
  if (!TargetIsWindows()) return RunProgram(start);
  // A message box of the Windows program waits for a click: a reader answers every one and
  // reports its text, which the Linux program prints to standard error.
  const std::string boxes = root_.Sub("message-boxes.txt");
  std::error_code error;
  fs::remove(boxes, error);
  BackgroundProgram reader({TargetBuildFolder() + "/tests/win32/message_box_reader.exe",
                            {boxes},
                            environment_,
                            WorkFolder()});
  ProgramRun run = RunProgram(start);
  reader.Kill();
  reader.Wait(10);
  run.standard_error += ReadTextFile(boxes).value_or("");
  return run;
}

bool InstallHostsim(const RadlynSandbox& sandbox, const std::string& folder,
                    const std::vector<std::string>& options) {
  ProgramStart install{
      HostsimProgramPath(), {"install", folder}, sandbox.environment(), sandbox.WorkFolder()};
  install.arguments.insert(install.arguments.end(), options.begin(), options.end());
  // "MODULE,...": modules every installation of the run has in their cdecl build (Windows), so
  // that a suite runs on an installation of cdecl modules, or of both conventions.
  const char* cdecl_text = std::getenv("RADLYN_HOSTSIM_CDECL");
  std::istringstream cdecl_modules(cdecl_text != nullptr ? cdecl_text : "");
  for (std::string module; std::getline(cdecl_modules, module, ',');) {
    install.arguments.insert(install.arguments.end(), {"--cdecl", module});
  }
  const ProgramRun run = RunProgram(install);
  EXPECT_EQ(run.exit_code, 0) << "hostsim install " << folder << ": " << run.standard_error;
  if (run.exit_code != 0) return false;
  SetAsideNewerGeneration(folder);
  // "Section/Key=value;...": switches every installation of the run starts with, so that a suite
  // runs once more against another kind of Morlund (e.g. a plug-in server typed otherwise).
  const char* preset_text = std::getenv("RADLYN_HOSTSIM_SWITCHES");
  std::istringstream presets(preset_text != nullptr ? preset_text : "");
  for (std::string preset; std::getline(presets, preset, ';');) {
    const std::size_t slash = preset.find('/');
    const std::size_t equals = preset.find('=', slash);
    if (slash == std::string::npos || equals == std::string::npos) continue;
    SetHostsimSwitch(folder, preset.substr(0, slash), preset.substr(slash + 1, equals - slash - 1),
                     preset.substr(equals + 1));
  }
  return true;
}

void SetHostsimSwitch(const std::string& folder, const std::string& section, const std::string& key,
                      const std::string& value) {
  EXPECT_TRUE(platform::GetProfile().WriteString(section, key, value, folder + "/hostsim.ini"))
      << section << "/" << key;
}

std::vector<std::string> ReadCallsLog(const std::string& folder, std::string_view prefix) {
  std::vector<std::string> lines;
  std::istringstream log(
      FromTargetCallsLog(ReadTextFile(folder + "/hostsim-calls.log").value_or("")));
  for (std::string line; std::getline(log, line);) {
    if (line.starts_with(prefix)) lines.push_back(line);
  }
  return lines;
}

bool WaitForCallsLogLine(const std::string& folder, std::string_view prefix, std::string_view part,
                         int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    for (const std::string& line : ReadCallsLog(folder, prefix)) {
      if (line.find(part) != std::string::npos) return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void ExpectNoResultAndJobFileUntouched(const std::string& data_folder,
                                       const std::string& job_file) {
  const std::string result = data_folder + "/RADLYN_out.ini";
  EXPECT_FALSE(fs::exists(result)) << ReadTextFile(result).value_or("");
  EXPECT_EQ(ReadTextFile(data_folder + "/RADLYN_in.ini"), job_file);
}

PrivateBus::PrivateBus(RadlynSandbox& sandbox, const std::string& morlund) {
  // Windows has no bus to start: the servers are COM classes, whose registration install set
  // aside.
  if (TargetIsWindows()) {
    RestoreNewerGeneration(morlund);
    started_ = true;
    return;
  }
  const std::string address_file = sandbox.Path("bus-address");
  const std::string pid_file = sandbox.Path("bus-pid");
  const std::string command = "dbus-daemon --config-file=" + ShellQuote(morlund) +
                              "/dbus-session.conf --fork --print-address=3 --print-pid=4 3>" +
                              ShellQuote(address_file) + " 4>" + ShellQuote(pid_file) +
                              " 2>/dev/null";
  if (std::system(command.c_str()) != 0) return;
  std::string address;
  std::istringstream(ReadTextFile(address_file).value_or("")) >> address;
  std::istringstream(ReadTextFile(pid_file).value_or("")) >> pid_;
  if (address.empty()) pid_.clear();
  started_ = !pid_.empty();
  sandbox.environment()["DBUS_SESSION_BUS_ADDRESS"] = address;
}

PrivateBus::~PrivateBus() {
  ForgetNewerGeneration();
  if (!pid_.empty()) std::system(("kill " + pid_ + " 2>/dev/null").c_str());
}

std::string CopyRadlynProgram(const std::string& folder) {
  fs::create_directories(folder);
  const std::string copy = folder + "/" + TargetProgramName("radlyn");
  fs::copy_file(RadlynProgramPath(), copy, fs::copy_options::overwrite_existing);
  return copy;
}

void SetProgramSetting(const std::string& folder, const std::string& key,
                       const std::string& value) {
  EXPECT_TRUE(platform::GetProfile().WriteString("Config", key, value, folder + "/Radlyn.ini"))
      << key;
}

}  // namespace radlyn::integration
