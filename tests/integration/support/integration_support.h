// Helpers for tests that run the real radlyn program: a private temporary folder, INI files
// written and read back in file order, event-log lines, and a run of a program with its own
// arguments, environment and current folder, capturing standard output, standard error and the
// exit code.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "integration/support/target.h"

namespace radlyn::integration {

// A fresh folder below the system's temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // path() / name, as text.
  std::string Sub(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

// Writes `content` byte for byte, creating missing parent folders.
void WriteTextFile(const std::filesystem::path& path, std::string_view content);
// The whole file, or std::nullopt when it cannot be read.
std::optional<std::string> ReadTextFile(const std::filesystem::path& path);

struct IniSection {
  std::string name;
  std::vector<std::pair<std::string, std::string>> keys;  // in file order
};

// Writes an INI file from sections in order, lines ending with CR LF; values that are absolute
// paths in the target's form (target.h).
void WriteIniFile(const std::filesystem::path& path, const std::vector<IniSection>& sections);

// The suites' standard job: client "DentalOffice", take type XI in region 36 by "Dr. Berger", for
// Anna Miller (ID 4711, born 1970-03-05), the image into `image_folder`; `config` follows
// ImageDataPath in [Config].
std::vector<IniSection> StandardJob(
    const std::string& image_folder,
    const std::vector<std::pair<std::string, std::string>>& config = {});

struct IniEntry {
  std::string section;
  std::string key;
  std::string value;
  bool operator==(const IniEntry&) const = default;
};
// Every key line of an INI file in file order (CR LF or LF), paths in Linux form; empty when the
// file is missing.
std::vector<IniEntry> ReadIniEntries(const std::filesystem::path& path);
// The value of the first key of that section and name (names compared without regard to case).
std::optional<std::string> FindIniValue(const std::vector<IniEntry>& entries,
                                        std::string_view section, std::string_view key);

// The lines of an event log, split at CR LF, paths in Linux form; a line break other than CR LF
// fails the test.
std::vector<std::string> ReadEventLogLines(const std::filesystem::path& path);
// The same lines without their leading time stamp ("2026-12-07T10:15:00 "); the stamp is checked.
std::vector<std::string> ReadEventLogEntries(const std::filesystem::path& path);

struct ProgramRun {
  int exit_code = -1;  // 124 when the time limit ran out
  std::string standard_output;
  std::string standard_error;
};

struct ProgramStart {
  std::string program;
  std::vector<std::string> arguments;
  // The child's whole environment (nothing is inherited except PATH).
  std::map<std::string, std::string> environment;
  std::string current_folder;
  int time_limit_seconds = 60;
};

// A Windows program ("*.exe") runs under Wine (target.h); its output lines end with LF.
ProgramRun RunProgram(const ProgramStart& start);

// A program started in the background, for tests that end it from outside or let it die. Its
// standard streams are closed off and it leaves no core file. Destroying the object kills and
// reaps a program still running.
class BackgroundProgram {
 public:
  explicit BackgroundProgram(const ProgramStart& start);
  ~BackgroundProgram();
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;

  // Ends the program at once (SIGKILL): nothing of it runs afterwards.
  void Kill();
  // Waits at most `seconds` for the program to end: "exit N", "signal N", or "running".
  std::string Wait(int seconds);

 private:
  int pid_ = -1;
};

// The Linux build of these tests, found through RADLYN_BUILD_DIR (set by the test runner), and
// the programs under test: the Linux build's, or the Windows build's (target.h).
std::string BuildFolder();
std::string RadlynProgramPath();
std::string HostsimProgramPath();

// A sandbox for one radlyn run: HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR and RADLYN_REGISTRY all point
// into a temporary folder, so nothing reaches the real user's files, lock files or registry.
class RadlynSandbox {
 public:
  RadlynSandbox();

  const TempFolder& root() const { return root_; }
  std::string Path(std::string_view relative) const { return root_.Sub(relative); }
  std::string RuntimeFolder() const { return root_.Sub("run"); }
  std::string RegistryFile() const { return root_.Sub("registry.ini"); }
  std::string WorkFolder() const { return root_.Sub("work"); }
  std::map<std::string, std::string>& environment() { return environment_; }
  const std::map<std::string, std::string>& environment() const { return environment_; }

  // Runs bin/radlyn with the sandbox's environment, in WorkFolder(). Under Wine the program's
  // message boxes are answered, their texts reported as lines of standard error (the form the
  // Linux program prints them in).
  ProgramRun RunRadlyn(const std::vector<std::string>& arguments) const;

 private:
  TempFolder root_;
  std::map<std::string, std::string> environment_;
};

// hostsim installations for a sandbox's runs.
// Installs hostsim into `folder` with extra install options (e.g. "--without", "MoGrfMan") and
// registers it in the sandbox's registry (under Wine: in the prefix, which is why Wine runs go one
// at a time), then sets the switches RADLYN_HOSTSIM_SWITCHES names ("Section/Key=value;...");
// answers whether the install succeeded (a failure is also reported to the running test).
bool InstallHostsim(const RadlynSandbox& sandbox, const std::string& folder,
                    const std::vector<std::string>& options = {});
// Sets one run-time switch in `folder`/hostsim.ini.
void SetHostsimSwitch(const std::string& folder, const std::string& section, const std::string& key,
                      const std::string& value);
// The lines of `folder`/hostsim-calls.log that start with `prefix` (all lines for ""), their
// platform parts in Linux form (target.h).
std::vector<std::string> ReadCallsLog(const std::string& folder, std::string_view prefix = {});
// Waits at most `seconds` for a calls-log line that starts with `prefix` and contains `part`.
bool WaitForCallsLogLine(const std::string& folder, std::string_view prefix, std::string_view part,
                         int seconds = 30);

// A private session bus whose activatable services are the servers of the hostsim installation in
// `morlund`; the sandbox's runs reach it through DBUS_SESSION_BUS_ADDRESS. Stopped when destroyed.
// Under Wine nothing is started: hostsim.exe install registers the servers as COM classes.
class PrivateBus {
 public:
  PrivateBus(RadlynSandbox& sandbox, const std::string& morlund);
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;
  bool started() const { return started_; }

 private:
  bool started_ = false;
  std::string pid_;
};

// What a job that died (killed, or a module that crashed) leaves in `data_folder`: no result file,
// so no client can read success, and the job file byte for byte as `job_file` (its content
// before the job).
void ExpectNoResultAndJobFileUntouched(const std::string& data_folder, const std::string& job_file);

// A private copy of bin/radlyn (radlyn.exe) in `folder`, so that a program settings file can lie
// beside it; answers the copy's path.
std::string CopyRadlynProgram(const std::string& folder);
// Sets a key of section Config in `folder`/Radlyn.ini, the settings file of such a copy.
void SetProgramSetting(const std::string& folder, const std::string& key, const std::string& value);

}  // namespace radlyn::integration
