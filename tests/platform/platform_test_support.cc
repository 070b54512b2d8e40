#include "platform_test_support.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <random>
#else
#include <stdlib.h>
#endif

namespace radlyn::platform::testing {

#ifdef _WIN32

TempFolder::TempFolder() {
  std::random_device random;
  for (;;) {
    path_ = std::filesystem::temp_directory_path() /
            ("radlyn-platform-" + std::to_string(random() % 1000000000u));
    if (std::filesystem::create_directory(path_)) return;  // a new folder, not an old one
  }
}

ScopedVariable::ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
  const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
  if (size > 0) {
    std::string old(size, '\0');
    old.resize(GetEnvironmentVariableA(name, old.data(), size));
    old_ = old;
  }
  Apply(value);
}

void ScopedVariable::Apply(const std::optional<std::string>& value) {
  SetEnvironmentVariableA(name_.c_str(), value ? value->c_str() : nullptr);
}

void MakeHidden(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN);
  }
}

#else

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "radlyn-platform-XXXXXX");
  path_ = mkdtemp(pattern.data());
}

ScopedVariable::ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  Apply(value);
}

void ScopedVariable::Apply(const std::optional<std::string>& value) {
  if (value) {
    setenv(name_.c_str(), value->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

void MakeHidden(const std::string&) {}

#endif

}  // namespace radlyn::platform::testing
