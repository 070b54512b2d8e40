#include <cstdlib>

#include "platform/posix/file_replace.h"
#include "platform/posix/ini_text.h"
#include "platform/posix/registry_file.h"
#include "platform/posix/text_case.h"
#include "platform/posix/text_encoding.h"
#include "platform/registry.h"

namespace radlyn::platform {
namespace {

constexpr const char* kDefaultRegistryFile = "/etc/radlyn/registry.ini";
constexpr std::string_view kDefaultValueKey = "@";

unsigned char RegistryKeyCharacter(char c) {
  return c == '/' ? '\\' : FoldCase1252(static_cast<unsigned char>(c));
}

class PosixRegistry : public Registry {
 public:
  std::optional<RegistryValue> ReadClassesRootDefault(std::string_view key_path) override {
    std::optional<std::string> bytes = ReadNativeFile(RegistryFilePath());
    if (!bytes) return std::nullopt;
    // The file is UTF-8; key paths and values are compared and handed out as program texts.
    std::optional<std::string> value =
        IniText(NativeToAnsi(*bytes)).Find(key_path, kDefaultValueKey, SameRegistryKey);
    if (!value) return std::nullopt;
    return RegistryValue{true, std::move(*value)};
  }
};

}  // namespace

std::string RegistryFilePath() {
  const char* path = std::getenv("RADLYN_REGISTRY");
  return path != nullptr && *path != '\0' ? path : kDefaultRegistryFile;
}

bool SameRegistryKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (RegistryKeyCharacter(a[i]) != RegistryKeyCharacter(b[i])) return false;
  }
  return true;
}

bool WriteClassesRootDefault(std::string_view key_path, std::string_view value) {
  std::string path = RegistryFilePath();
  bool missing = false;
  std::optional<std::string> bytes = ReadNativeFile(path, &missing);
  if (!bytes && !missing) return false;
  IniText text(bytes ? *bytes : std::string());
  text.Set(key_path, kDefaultValueKey, value, SameRegistryKey);
  return ReplaceNativeFile(path, text.Serialize());
}

Registry& Registry::Native() {
  static PosixRegistry registry;
  return registry;
}

}  // namespace radlyn::platform
