// Small fixtures for the platform tests, on Linux and Windows alike: a fresh temporary folder,
// whole-file reads and writes, and scoped environment variables.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace radlyn::platform::testing {

// A new, empty folder below the system's temporary folder, removed with its content at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder plus `name`, as a text.
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Gives a file Windows' hidden attribute (Linux has none: nothing happens there).
void MakeHidden(const std::string& path);

// Runs a shell command; true when it exits with 0.
inline bool RunCommand(const std::string& command) { return std::system(command.c_str()) == 0; }

// Sets (or, with std::nullopt, removes) an environment variable for the life of the object. On
// Windows the process's environment block changes, which is what the platform layer reads.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, std::optional<std::string> value);
  ~ScopedVariable() { Apply(old_); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  void Apply(const std::optional<std::string>& value);
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace radlyn::platform::testing
