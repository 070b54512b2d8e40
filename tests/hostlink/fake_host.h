// Test doubles for the host link: Morlund's five modules as in-process functions that record
// every call, and fakes of the platform services the link uses (libraries, registry, program
// versions, files and folders, settings, message boxes, debug output). A FakeHost installs them
// all for its lifetime; each test sets the modules' answers through it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "hostlink/modules/module_exports.h"
#include "platform/automation.h"
#include "platform/debug_output.h"
#include "platform/dynamic_library.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/program_file.h"
#include "platform/registry.h"
#include "platform/service.h"
#include "platform/ui.h"

namespace radlyn::testing {

// A path written with '/' in this platform's own form: on Windows on drive C: with backslashes.
inline std::string PlatformPath(std::string_view text) {
#ifdef _WIN32
  std::string path = "C:" + std::string(text);
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
#else
  return std::string(text);
#endif
}

inline const std::string kMorlundFolder = PlatformPath("/opt/fake-morlund/");
inline constexpr platform::WindowHandle kParentWindow = 0x1234;

class FakeLibraries : public platform::DynamicLibraries {
 public:
  platform::LibraryHandle Load(std::string_view path) override;
  void* FindExport(platform::LibraryHandle library, const char* name) override;
  void Release(platform::LibraryHandle library) override;
  void SetSearchFolder(std::string_view folder) override { search_folders.emplace_back(folder); }

  // The handle a module's library gets ("mofiledb", ...), stable across loads.
  static platform::LibraryHandle HandleOf(const std::string& stem);

  std::set<std::string> missing_files;    // stems that do not load
  std::set<std::string> missing_exports;  // export names not found
  std::vector<std::string> loaded;        // paths, in order
  std::vector<std::string> released;      // stems, in order
  std::vector<std::string> search_folders;
};

class FakeRegistry : public platform::Registry {
 public:
  std::optional<platform::RegistryValue> ReadClassesRootValue(std::string_view key,
                                                              std::string_view name) override {
    keys.emplace_back(key);
    if (name == "ServerExecutable") return server_executable;
    return name.empty() ? value : std::nullopt;
  }
  std::optional<platform::RegistryValue> value;  // the default value
  std::optional<platform::RegistryValue> server_executable;
  std::vector<std::string> keys;
};

class FakeProgramFiles : public platform::ProgramFiles {
 public:
  std::optional<platform::ProductVersion> ReadProductVersion(std::string_view path) override {
    auto found = versions.find(std::string(path));
    if (found == versions.end()) return std::nullopt;
    return found->second;
  }
  std::map<std::string, platform::ProductVersion> versions;
};

class FakeFileSystem : public platform::FileSystem {
 public:
  bool Exists(std::string_view path) override { return existing.count(std::string(path)) != 0; }
  bool FolderExists(std::string_view) override { return false; }
  bool IsLink(std::string_view) override { return false; }
  bool DeleteFile(std::string_view path) override;
  bool MakeWritable(std::string_view) override { return false; }
  std::optional<std::string> FindFirstFile(std::string_view) override { return std::nullopt; }
  std::vector<std::string> FindFiles(std::string_view pattern) override;
  bool CreatePrivateFolder(std::string_view path) override;
  bool CreateFolderTree(std::string_view) override { return false; }
  bool CreateEmptyFile(std::string_view) override { return false; }
  bool CreateNewFile(std::string_view path) override;
  std::unique_ptr<platform::OwnFile> CreateOwnFile(std::string_view) override { return nullptr; }
  bool RenameFile(std::string_view, std::string_view) override { return false; }
  std::optional<std::string> ReadWholeFile(std::string_view path, bool* opened) override {
    auto found = contents.find(std::string(path));
    if (opened != nullptr) *opened = found != contents.end();
    if (found == contents.end()) return std::nullopt;
    return found->second;
  }
  bool AppendToFile(std::string_view, std::string_view) override { return false; }
  std::optional<std::uint64_t> FreeBytesAvailable(std::string_view) override {
    return std::nullopt;
  }
  bool CopyTree(std::string_view, std::string_view) override { return false; }
  std::string TempFolder() override {
    return temp_folder.empty() ? PlatformPath("/tmp/") : temp_folder;
  }
  std::optional<std::string> CreateUniqueTempFile(std::string_view, std::string_view) override;
  std::string CurrentFolder() override { return current; }
  bool SetCurrentFolder(std::string_view path) override {
    folder_changes.emplace_back(path);
    current = path;
    return true;
  }
  std::string ProgramFilePath() override {
    return PlatformPath("/usr/lib/radlyn/radlyn") + platform::kProgramFileSuffix;
  }

  std::set<std::string> existing;
  std::map<std::string, std::string> contents;  // what ReadWholeFile finds
  // A real folder (ending with '/') where temporary files are made and deleted for real, as
  // Orbel's exchange needs them; empty: none can be made.
  std::string temp_folder;
  bool image_name_taken = false;  // a file "held" stands at every temporary image's name
  std::string current = "/home/client";
  std::vector<std::string> folder_changes;
};

class FakeProfile : public platform::Profile {
 public:
  std::string ReadString(std::string_view, std::string_view, std::string_view fallback, std::size_t,
                         std::string_view) override {
    return std::string(fallback);
  }
  std::int32_t ReadInt(std::string_view section, std::string_view key, std::int32_t fallback,
                       std::string_view path) override;
  bool WriteString(std::string_view, std::string_view, std::string_view,
                   std::string_view) override {
    return false;
  }
  std::map<std::string, std::int32_t> values;  // "path|section|key"
};

class FakeUserInterface : public platform::UserInterface {
 public:
  void ShowErrorMessage(std::string_view text, std::string_view caption) override {
    messages.emplace_back(text);
    captions.emplace_back(caption);
  }
  void RunModalDialog(const platform::DialogTemplate&, const std::map<int, std::string>&,
                      int) override {}
  std::optional<platform::WindowHandle> CreateModelessDialog(
      const platform::DialogTemplate&) override {
    return std::nullopt;
  }
  void MoveWindow(platform::WindowHandle, int, int, int, int) override {}
  void BringToForeground(platform::WindowHandle) override {}
  void DestroyWindow(platform::WindowHandle) override {}
  bool IsWindow(platform::WindowHandle window) override { return window == kParentWindow; }
  platform::ScreenSize PrimaryScreenSize() override { return {}; }

  std::vector<std::string> messages;
  std::vector<std::string> captions;
};

class FakeDebugOutput : public platform::DebugOutput {
 public:
  void Write(std::string_view text) override { lines.emplace_back(text); }
  std::vector<std::string> lines;
};

// The newer Morlund generation as far as the Orbel decision asks it: with `offers_orbel` the
// plug-in server names kOrbelProgram and the options manager kOrbelDataFolder; otherwise no
// server is registered.
inline const std::string kOrbelProgram =
    PlatformPath("/opt/orbel/orbel") + platform::kProgramFileSuffix;
inline const std::string kOrbelDataFolder = PlatformPath("/var/orbel/");

class FakeAutomation : public platform::Automation {
 public:
  bool IsClassRegistered(std::string_view) override { return offers_orbel; }
  platform::RunningInstance FindRunningInstance(std::string_view) override { return {}; }
  std::unique_ptr<platform::AutomationObject> CreateInstance(std::string_view prog_id) override;
  bool offers_orbel = false;
};

// Program runs: records each one and answers the exit code set for its argument text, or for the
// text before its first quoted part (" -check"); 0 when none is set.
class FakeProcesses : public platform::Processes {
 public:
  platform::ProcessRun Run(std::string_view program_path, std::string_view argument_text,
                           std::uint32_t time_limit_ms) override;
  std::uint32_t CurrentProcessId() override { return 4242; }
  bool IsRunningThisProgram(std::uint32_t id) override { return running.count(id) != 0; }
  std::map<std::string, std::uint32_t> exit_codes;  // by argument text
  std::set<std::uint32_t> running;                  // process ids of other running copies
  std::vector<std::string> runs;                    // "path|arguments|limit"
};

// The modules' answers and the record of their calls.
struct ModuleBehaviour {
  std::map<std::string, MorlundStatus> check_version;  // by export name; missing: 1 (accepted)
  MorlundStatus fdb_open = 0;
  MorlundStatus take_image = 0;
  // Runs inside MC_TakeImage on the locked take record (after the call is recorded).
  std::function<void(std::uint8_t* take_record)> fill_take;
  std::string logo;                                    // what UTL_GetLogo finds in the mark
  std::map<std::string, std::int32_t> take_type_ints;  // by key; missing: the default
  MorlundStatus create_image_file = 0;
  MorlundStatus import_image_file = 0;
  std::function<void(std::uint8_t* image_record)> import_image;  // fills the imported record

  std::vector<std::string> calls;                 // "FDB_Open", "MC_TakeImage(0,3,4660,1,0)", ...
  std::vector<std::uint8_t> patient_record_seen;  // by MC_TakeImage
  std::vector<std::uint8_t> take_record_seen;     // by MC_TakeImage, on entry
  std::vector<std::uint8_t> image_record_seen;    // by FIO_CreateImageFile
  std::string current_folder_seen;                // by MC_TakeImage
  std::vector<std::string> texts;                 // text arguments, in call order
};

// Installs every fake for its lifetime (nested hosts stack: the innermost answers), with a Morlund
// installation registered at kMorlundFolder whose program file carries version 7.0.0.0.
class FakeHost {
 public:
  FakeHost();
  ~FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  static ModuleBehaviour& Modules();
  void SetMorlundVersion(platform::ProductVersion version);

  FakeLibraries libraries;
  FakeRegistry registry;
  FakeProgramFiles program_files;
  FakeFileSystem files;
  FakeProfile profile;
  FakeUserInterface ui;
  FakeDebugOutput debug;
  FakeAutomation automation;
  FakeProcesses processes;

 private:
  ModuleBehaviour behaviour_;
  ModuleBehaviour* previous_behaviour_;
  platform::ScopedService<platform::DynamicLibraries> libraries_scope_{libraries};
  platform::ScopedService<platform::Registry> registry_scope_{registry};
  platform::ScopedService<platform::ProgramFiles> program_files_scope_{program_files};
  platform::ScopedService<platform::FileSystem> files_scope_{files};
  platform::ScopedService<platform::Profile> profile_scope_{profile};
  platform::ScopedService<platform::UserInterface> ui_scope_{ui};
  platform::ScopedService<platform::DebugOutput> debug_scope_{debug};
  platform::ScopedService<platform::Automation> automation_scope_{automation};
  platform::ScopedService<platform::Processes> processes_scope_{processes};
};

}  // namespace radlyn::testing
