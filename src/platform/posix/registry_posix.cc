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

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// A file saved with a UTF-8 byte-order mark (as Windows editors save UTF-8) is the same UTF-8
// text: the mark is set aside, or it would read as a character in front of the first section
// and make the text's editor convert values that are already UTF-8 a second time.
std::string_view WithoutUtf8Mark(std::string_view bytes) {
  // A file saved twice by such an editor may carry the mark more than once.
  while (bytes.starts_with(kUtf8Mark)) bytes.remove_prefix(kUtf8Mark.size());
  return bytes;
}

unsigned char RegistryKeyCharacter(char c) {
  return c == '/' ? '\\' : FoldCase1252(static_cast<unsigned char>(c));
}

class PosixRegistry : public Registry {
 public:
  std::optional<RegistryValue> ReadClassesRootValue(std::string_view key_path,
                                                    std::string_view value_name) override {
    std::optional<std::string> bytes = ReadNativeFile(RegistryFilePath());
    if (!bytes) return std::nullopt;
    // The file is UTF-8; key paths and values are compared and handed out as program texts.
    std::optional<std::string> value =
        IniText(NativeToAnsi(WithoutUtf8Mark(*bytes)))
            .Find(key_path, value_name.empty() ? kDefaultValueKey : value_name, SameRegistryKey);
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
  const std::string_view content = bytes ? std::string_view(*bytes) : std::string_view();
  const std::string_view text_bytes = WithoutUtf8Mark(content);
  IniText text(text_bytes);
  text.Set(key_path, kDefaultValueKey, value, SameRegistryKey);
  return ReplaceNativeFile(
      path, std::string(content.substr(0, content.size() - text_bytes.size())) + text.Serialize());
}

Registry& Registry::Native() {
  static PosixRegistry registry;
  return registry;
}

}  // namespace radlyn::platform
